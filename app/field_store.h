// A Workspace held in plain memory, as a freshly started program has it: every field
// empty, the region label at its initial caption, folder option 0 checked.
#pragma once

#include <map>
#include <string>

#include "app/workspace.h"

namespace quillon {

class FieldStore : public Workspace {
public:
    FieldStore() { texts_[Field::region] = kInitialRegionCaption; }

    std::string text(Field field) const override {
        const auto it = texts_.find(field);
        return it == texts_.end() ? std::string() : it->second;
    }
    void setText(Field field, const std::string& text) override {
        if (this->text(field) == text) return;
        texts_[field] = text;
        if (field == Field::icon0 || field == Field::pic1 || field == Field::unknown) {
            composePreview();
        }
    }
    void caretToEnd(Field) override {}
    bool palFix() const override { return palFix_; }
    void setPalFix(bool on) { palFix_ = on; }
    int folderOption() const override { return folderOption_; }
    void setFolderOption(int option) override { folderOption_ = option; }
    void composePreview() override { ++previewCompositions; }

    int previewCompositions = 0;

private:
    std::map<Field, std::string> texts_;
    bool palFix_ = false;
    int folderOption_ = 0;
};

}  // namespace quillon
