// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brisa {

/// A command that reads or changes the clip store directly, beside a running Brisa or without one.
struct StoreCommand {
    enum class Kind { History, Add, Search, Show, Delete, Pin, Unpin, Export, Import, Image, Remind, Clear };
    Kind kind = Kind::History;
    bool json = false;
    std::optional<std::size_t> limit;
    /// add: the kind to store instead of the detected one ("text", "code", ...).
    std::optional<std::string> type;
    /// add: an image file to store.
    std::optional<std::string> imageFile;
    /// add: the text (nullopt: read standard input); search: the query; show/delete/pin/image: the id;
    /// export: the file to write (nullopt: standard output); import: the file to read ("-": stdin).
    std::optional<std::string> argument;
    /// add: standard input holds many clips, one per line (--lines) or ended by NUL bytes (--null).
    std::optional<char> separator;
    /// export: only clips created at or after this ("2026-12-01", "2026-12-01 09:30", "7d", "12h").
    std::optional<std::string> since;
    /// export: only these kinds (--type, repeated or comma-separated); empty = all.
    std::vector<std::string> kinds;
    /// export: images as files in a folder beside the export ("FILE.images") instead of inline.
    bool imageFolder = false;
    /// image: what to do with the clip, its parameter already checked.
    struct ImageAction {
        enum class Op { Compress, RemoveBackground, Resize, Convert };
        Op op = Op::Compress;
        double scale = 1;
        std::string format; ///< "png", "jpeg" or "tiff"
    };
    std::optional<ImageAction> image;
    /// remind: the local date and time of the reminder ("2026-12-24 09:30"); nullopt with clear.
    std::optional<std::string> when;
    /// remind --clear: remove the clip's reminder.
    bool clear = false;
    /// clear --all: pinned clips go too.
    bool all = false;
};

/// A command on the text snippets, which live in the settings file.
struct SnippetCommand {
    enum class Kind { List, Add, Remove };
    Kind kind = Kind::List;
    /// list: as a JSON array.
    bool json = false;
    /// add, remove: the shortcut.
    std::string shortcut;
    /// add: the text; nullopt: read standard input.
    std::optional<std::string> content;
};

/// An action the running Brisa performs when another brisa process asks it to (over D-Bus).
struct RemoteCommand {
    enum class Kind { Toggle, QuickNote, BulkCopy, PasteSlot, Settings, Library, Pause, Resume, ReloadSnippets };
    Kind kind = Kind::Toggle;
    /// PasteSlot: 0 (the newest clip) to 9.
    int slot = 0;
    /// Pause: how long in minutes; 0 until resumed.
    int minutes = 0;
};

/// All there is to know about one kind of remote command, kept in one table that the command line,
/// the bus client and the running Brisa's bus all read: a new command is one more row.
struct RemoteCommandInfo {
    RemoteCommand::Kind kind;
    /// Its name on the command line and in the log.
    const char* name;
    /// The D-Bus method of the running Brisa that performs it.
    const char* busMethod;
    /// Whether the bus may start Brisa to perform it when none is running.
    bool startsBrisa;
    /// Whether the user types it (the others are sent by brisa itself).
    bool typed;
};

/// The row of kind.
const RemoteCommandInfo& remoteCommandInfo(RemoteCommand::Kind kind);

/// The D-Bus method of the running Brisa that performs command.
inline const char* busMethodName(RemoteCommand::Kind kind) { return remoteCommandInfo(kind).busMethod; }

/// What the command line asks for.
struct CommandLine {
    enum class Action { Run, Version, Help, Store, Remote, Snippet, Error };
    Action action = Action::Run;
    StoreCommand store;
    SnippetCommand snippet;
    RemoteCommand remote;
    /// For Error: the message to print.
    std::string error;
};

/// Parses argv (without the program name).
CommandLine parseCommandLine(const std::vector<std::string>& args);

/// The text of --help.
std::string helpText();

} // namespace brisa
