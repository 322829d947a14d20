// One running program as both front ends drive it: the field state, the game list and
// the busy state over the front end's host, wired so that a change of the source field
// inspects the new source. The window binds its controls to the fields; the command
// line fills them from its arguments; both then call the same operations.
#pragma once

#include "convert/convert_command.h"
#include "convert/tool_process.h"
#include "source/game_list.h"
#include "source/open_disc.h"
#include "state/busy_state.h"
#include "state/fields.h"
#include "state/program_folder.h"
#include "state/work_folders.h"

namespace quillon {

class Session {
public:
    // Works in the program folder's workplace, as the window does.
    Session(ProgramFolder folder, Host& host);
    // Works in `workplace`: inspection's files and the tool's container go there.
    Session(ProgramFolder folder, Host& host, WorkFolders workplace);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    FieldState& fields() { return fields_; }
    const FieldState& fields() const { return fields_; }
    BusyState& busy() { return busy_; }
    const ProgramFolder& folder() const { return folder_; }
    const GameList& gameList() const { return gameList_; }

    // The game list file, read once as the program starts.
    void loadGameList();
    // The settings file into the options fields.
    void loadOptions();
    // The options fields into the settings file.
    Status saveOptions() const;

    // Whether the inspection of the source chosen last could not read the source (it
    // has said why); a file it could not write does not count.
    bool sourceRefused() const { return !inspection_ && inspection_.error().kind != Error::Kind::Write; }

    // The conversion command and the ISO extraction, from their start (the abort click
    // is the front end's); how each ended.
    OperationEnd convert(ToolProcess& tool, ToolCompression compression = ToolCompression::Setting);
    OperationEnd extract();

private:
    ProgramFolder folder_;
    WorkFolders workplace_;
    FieldState fields_;
    BusyState busy_;
    GameList gameList_;
    Status inspection_;
    OpenedSource source_;  // the discs of the source chosen last, as its inspection opened them
};

}  // namespace quillon
