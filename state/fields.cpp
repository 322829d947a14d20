#include "state/fields.h"

#include <algorithm>

namespace quillon {
namespace {

constexpr bool rulesInFieldOrder() {
    for (std::size_t i = 0; i < kFieldRules.size(); ++i) {
        if (static_cast<std::size_t>(kFieldRules[i].field) != i) return false;
    }
    return true;
}
static_assert(rulesInFieldOrder(), "ruleOf finds a field's rule at the field's place");

}  // namespace

const FieldRule& ruleOf(Field field) { return kFieldRules[static_cast<std::size_t>(field)]; }

bool acceptsTyped(Field field, std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos) return false;
    const std::size_t limit = ruleOf(field).typingLimit;
    if (limit == 0) return true;
    // Characters, not bytes: continuation bytes of UTF-8 do not count.
    const auto characters =
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    return static_cast<std::size_t>(characters) <= limit;
}

FieldState::FieldState() { texts_[Field::regionCaption] = kInitialRegionCaption; }

const std::string& FieldState::text(Field field) const {
    static const std::string empty;
    const auto it = texts_.find(field);
    return it == texts_.end() ? empty : it->second;
}

void FieldState::setText(Field field, const std::string& text) {
    if (this->text(field) == text) return;
    texts_[field] = text;
    for (FieldObserver* observer : observers_) observer->textSet(field, text);
    react(ruleOf(field).trigger);
}

void FieldState::caretToEnd(Field field) {
    for (FieldObserver* observer : observers_) observer->caretToEnd(field);
}

void FieldState::setPath(Field field, const std::string& path) {
    setText(field, path);
    caretToEnd(field);
}

void FieldState::setPalFix(bool on) {
    if (palFix_ == on) return;
    palFix_ = on;
    for (FieldObserver* observer : observers_) observer->palFixSet(on);
}

void FieldState::setFolderOption(std::optional<FolderOption> option) {
    if (folderOption_ == option) return;
    folderOption_ = option;
    for (FieldObserver* observer : observers_) observer->folderOptionSet(option);
}

void FieldState::composePreview() { react(FieldTrigger::RedrawPreview); }

void FieldState::setReaction(FieldTrigger trigger, std::function<void()> reaction) {
    reactions_[trigger] = std::move(reaction);
}

void FieldState::addObserver(FieldObserver* observer) { observers_.push_back(observer); }

void FieldState::removeObserver(FieldObserver* observer) { std::erase(observers_, observer); }

void FieldState::react(FieldTrigger trigger) {
    const auto it = reactions_.find(trigger);
    if (it != reactions_.end() && it->second) it->second();
}

}  // namespace quillon
