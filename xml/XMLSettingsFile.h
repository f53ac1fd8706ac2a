#pragma once

// File access of the settings store: whole-file reads, saves that replace a
// file atomically where they can, and the identity of a file's contents.

#include <cstdint>
#include <optional>
#include <string>

// Identifies one version of a file's contents: a replacement by rename
// changes the inode, a rewrite in place the size or the change time.
struct TXMLFileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    int64_t modified = 0; // ns
    int64_t changed = 0; // ns

    bool operator==(const TXMLFileStamp&) const = default;
};

enum class TXMLFileStage {
    Done,
    Open, // reading: the file could not be opened
    Read, // reading: it opened but could not be read
    Create, // writing: the new file could not be created
    Write, // writing: it could not be written, flushed or put in place
};

struct TXMLFileResult {
    TXMLFileStage stage = TXMLFileStage::Done;
    int error = 0; // errno of the failing call
    // The version read or written, taken from the descriptor that did it,
    // so that a version another process puts in place just afterwards is
    // never mistaken for it.
    TXMLFileStamp stamp;

    bool Ok() const { return stage == TXMLFileStage::Done; }
};

// Reads the whole file into `text`. Anything but a regular file (a folder,
// a FIFO, a device) is refused without opening it for a blocking read.
TXMLFileResult ReadXMLSettingsBytes(const std::string& path, std::string& text);

// Replaces the file at `path` by `text` so that every reader, and whatever
// is left after a crash or a kill at any moment, sees either the old or the
// new contents whole: the text goes to a temporary file in the same folder,
// is flushed to disk and renamed over the old file. The new file keeps the
// old one's permissions, or gets 0666 under the umask; neither is ever
// world-writable. A symbolic link is kept and its target replaced. On
// failure the old file is untouched and no temporary file is left.
// Temporary files that killed processes left behind are removed.
//
// A rename would lose what belongs to the old file's inode, and needs a
// folder the user may write to. So a file with other hard links, a file of
// another owner, and a writable file in a folder the user may not write to
// are written in place instead (truncated, written, flushed): they keep
// their links and owner, but a crash during that write leaves the file cut
// short. Anything but a regular file is refused.
TXMLFileResult WriteXMLSettingsBytes(const std::string& path, const std::string& text);

// The stamp of the file now; a missing file has the default stamp.
TXMLFileStamp XMLFileStampOf(const std::string& path);
