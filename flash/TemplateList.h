#pragma once

// TemplateList: the template list of the "HTML template" page and the file
// operations on its folder, without widgets. Entry 0 is the built-in
// "Default template"; the others are the "*.html" entries of the folder in
// the order the directory returns them.
//
// Every file the list writes or deletes is the folder followed by one file
// name: a name holding a '/' (or nothing at all) is refused, so no typed
// name reaches outside the folder. Files are written whole under a
// temporary name and then renamed over the target, so a failed write leaves
// the old file as it was and a link in the folder is replaced, never
// written through.

#include <string>
#include <vector>

namespace vantor {

class TemplateList final {
public:
    struct Entry {
        std::string name; // shown and stored: the file name without ".html"
        std::string fileName; // as found in the folder; empty for entry 0
    };

    // `folder` ends with '/', or is empty for the current directory. The
    // list holds entry 0 until Reload reads the folder.
    explicit TemplateList(std::string folder);

    const std::string& Folder() const { return m_folder; }
    // Reads the folder.
    void Reload();
    const std::vector<Entry>& Entries() const { return m_entries; }
    int Count() const { return static_cast<int>(m_entries.size()); }
    // The first entry whose name equals `name` ignoring case, or -1.
    int IndexOf(const std::string& name) const;
    // The path of entry `index` (above 0).
    std::string PathOf(int index) const;

    // `base` followed by the smallest number from 1 upward that gives a
    // name not in the list, ignoring case ("New Template1").
    std::string ProposeName(const std::string& base) const;
    // The name a loaded file gets: its base name, or that base followed by
    // 1, 2, 3 ... while a file of that name exists in the folder.
    std::string LoadTargetName(const std::string& sourcePath) const;

    // The operations; false (or an errno value) when nothing was written.
    // A name equal to a listed template (ignoring case) writes that
    // template's file.
    bool CreateDefault(const std::string& name);
    // Copies entry `index` (the built-in text for 0) to `name`.
    bool CopyTemplate(int index, const std::string& name);
    // Copies any readable template file to `name`.
    bool CopyFile(const std::string& sourcePath, const std::string& name);
    // Replaces the file of entry `index` (above 0) with `text`; 0 or errno.
    int SaveTemplate(int index, const std::string& text);
    bool DeleteTemplate(int index);

private:
    // The file `name` writes; empty for a name that is not one file name.
    std::string TargetPath(const std::string& name) const;

    std::string m_folder;
    std::vector<Entry> m_entries;
};

// Writes `text` to `path` as a whole: a temporary file beside it, renamed
// over it when complete. 0 or errno.
int WriteFileWhole(const std::string& path, const std::string& text);

// The editor's line breaks: the memo holds '\n'; a file keeps the breaks it
// was written with (CR LF for the built-in text).
std::string EditorTextFromFile(const std::string& fileText, bool& crlf);
std::string FileTextFromEditor(const std::string& editorText, bool crlf);

// Which editor buttons are enabled. A template that could not be read may
// be deleted but not edited, so that Save never replaces a file whose text
// was not shown.
struct TemplateButtonStates {
    bool edit = false;
    bool remove = false;
    bool save = false;

    bool operator==(const TemplateButtonStates&) const = default;
};
TemplateButtonStates DecideTemplateButtons(int index, bool changed, bool shownReadable);

} // namespace vantor
