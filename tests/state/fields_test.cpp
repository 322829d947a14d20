#include "state/fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

struct Observer : FieldObserver {
    void textSet(Field field, const std::string& text) override {
        events.push_back("text " + std::to_string(static_cast<int>(field)) + " " + text);
    }
    void caretToEnd(Field field) override { events.push_back("caret " + std::to_string(static_cast<int>(field))); }
    void palFixSet(bool on) override { events.push_back(on ? "palFix on" : "palFix off"); }
    void folderOptionSet(std::optional<FolderOption> option) override {
        events.push_back("option " + std::to_string(option ? static_cast<int>(*option) : -1));
    }
    std::vector<std::string> events;
};

TEST(FieldStateTest, ARealChangeIsToldThenSetsOffItsFieldsTriggerOnce) {
    FieldState fields;
    Observer observer;
    fields.addObserver(&observer);
    std::vector<std::string> reactions;
    fields.setReaction(FieldTrigger::InspectSource, [&] {
        reactions.push_back("inspect " + fields.text(Field::sourcePath));
        // the observers were told before the reaction ran
        EXPECT_FALSE(observer.events.empty());
    });
    fields.setReaction(FieldTrigger::RedrawPreview, [&] { reactions.push_back("preview"); });

    fields.setPath(Field::sourcePath, "/a.iso");
    fields.setText(Field::sourcePath, "/a.iso");  // the same text: nothing at all
    for (const Field picture : {Field::icon0, Field::pic1, Field::pic0}) fields.setText(picture, "x");
    for (const Field other : {Field::snd0, Field::icon1, Field::title, Field::warning}) {
        fields.setText(other, "y");
    }
    EXPECT_EQ(reactions, (std::vector<std::string>{"inspect /a.iso", "preview", "preview", "preview"}));
    EXPECT_EQ(observer.events.front(), "text 0 /a.iso");
    EXPECT_EQ(observer.events[1], "caret 0");
    EXPECT_EQ(observer.events.size(), 9u);

    fields.setPalFix(true);
    fields.setPalFix(true);
    fields.setFolderOption(FolderOption::Title);
    EXPECT_EQ(observer.events.back(), "option 2");
    EXPECT_EQ(observer.events.size(), 11u);
    fields.removeObserver(&observer);
}

TEST(FieldStateTest, StartsEmptyWithTheFirstRegionCaptionAndOptionZero) {
    const FieldState fields;
    EXPECT_EQ(fields.text(Field::sourcePath), "");
    EXPECT_EQ(fields.text(Field::regionCaption), "\u3000区域: [?]");
    EXPECT_EQ(fields.folderOption(), FolderOption::NoSubFolder);
    EXPECT_FALSE(fields.palFix());
}

TEST(FieldRuleTest, TypingKeepsToOneLineAndTheFieldsLimitInCharacters) {
    struct Case {
        Field field;
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {Field::discIdPrefix, "SLUS", true},
        {Field::discIdPrefix, "SLUSX", false},
        {Field::discIdNumber, "01234", true},
        {Field::discIdNumber, "012345", false},
        {Field::compressionLevel, "9", true},
        {Field::compressionLevel, "10", false},
        {Field::discIdPrefix, "\u00e9\u00e9\u00e9\u00e9", true},  // four characters, eight bytes
        {Field::title, std::string(500, 'x'), true},
        {Field::title, "a\nfolderOption=3", false},
        {Field::outputFolder, "a\rb", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(acceptsTyped(c.field, c.text), c.accepted) << c.text;
    }
}

}  // namespace
}  // namespace quillon
