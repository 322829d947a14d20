// The five kinds of artwork and sound that a container carries besides the disc image,
// in the order of their sections in the container, with everything the program ties to
// each: its field, its default, its name in the container, its place in the artwork
// library, the file that inspection takes it out into, and its picker's filter.
#pragma once

#include <array>

#include "state/fields.h"

namespace quillon {

struct ArtworkKind {
    Field field;
    Field defaultField;
    const char* sectionName;    // as a user knows the section
    const char* libraryFolder;  // Pics/<folder>/<disc ID><extension>
    const char* extension;
    const char* takenOutAs;  // the file in Pics that holds a container's section
    const char* filter;      // of its file pickers
};

// The filter of the pickers of PNG pictures, the warning picture's included.
inline constexpr const char* kPngFilter = "PNG Files|*.png";

inline constexpr std::array<ArtworkKind, 5> kArtworkKinds{{
    {Field::icon0, Field::defaultIcon0, "ICON0.PNG", "icon0", ".png", "icon0.png", kPngFilter},
    {Field::icon1, Field::defaultIcon1, "ICON1.PMF", "icon1", ".pmf", "icon1.pmf", "PMF Files|*.pmf"},
    {Field::pic0, Field::defaultPic0, "PIC0.PNG", "pic0", ".png", "pic0.png", kPngFilter},
    {Field::pic1, Field::defaultPic1, "PIC1.PNG", "pic1", ".png", "pic1.png", kPngFilter},
    {Field::snd0, Field::defaultSnd0, "SND0.AT3", "snd0", ".at3", "snd0.at3", "AT3 Files|*.at3"},
}};

// The kind whose field or default field is `field`; nullptr for a field of no kind.
inline const ArtworkKind* artworkKindOf(Field field) {
    for (const ArtworkKind& kind : kArtworkKinds) {
        if (kind.field == field || kind.defaultField == field) return &kind;
    }
    return nullptr;
}

}  // namespace quillon
