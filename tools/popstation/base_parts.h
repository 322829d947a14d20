// The parts of a new container that the tool does not make from the disc image: the
// DATA.PSP section and the start-screen block (picture and trailer). A user's own sample
// container, base.pbp in the working folder, supplies them; without one the tool writes
// placeholders, which make a well-formed container that a PSP does not start.
#pragma once

#include <string>

#include "common/bytes.h"
#include "common/expected.h"
#include "source/pbp.h"

namespace quillon::popstation {

inline constexpr const char* kBaseContainerName = "base.pbp";

struct StartScreen {
    Bytes picture;  // a PNG file
    Bytes trailer = Bytes(kStartDatTrailerSize, 0);
};

struct ContainerParts {
    Bytes dataPsp;  // without trailing zero bytes
    StartScreen startScreen;
};

ContainerParts placeholderParts();
Bytes placeholderDataPsp();

// The DATA.PSP and start-screen block of a sample container; an error says why the file
// cannot serve (unreadable, not a container, offsets out of order, no start-screen block).
Expected<ContainerParts> readBaseParts(const std::string& path);

// A PNG file to show as the start screen; refused when it is not a PNG or too large.
Expected<Bytes> readStartScreenPicture(const std::string& path);

// The whole start-screen block: "STARTDAT", 80 + the picture's length at 20, zero bytes
// up to 80, the picture, the trailer.
Bytes startDatBlock(const StartScreen& startScreen);

}  // namespace quillon::popstation
