#pragma once

// HTML page templates: the built-in default template, the tags a template
// may hold, the folder the user's templates live in, and reading a template
// file. The Player engine fills SWFTITLE, SWFOBJECT and SWFFILES when it
// writes a page; the five CS_ text tags are filled here from the string
// table, so a language pack translates the default page.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

// List entry 0: the built-in template, which has no file. Also the name the
// settings file stores for it, so it is never translated.
inline constexpr char kDefaultTemplateName[] = "Default template";
inline constexpr char kTemplateExtension[] = ".html";

// A template file larger than this is refused: pages are a few kilobytes,
// and the whole file is shown in the editor.
inline constexpr std::uintmax_t kMaxTemplateBytes = 1024 * 1024;

// The built-in template with its tags: 30 lines joined by CR LF, no line
// break after the last one. New and Copy write it as it is.
const std::string& RawDefaultTemplate();

// `text` with every occurrence of `tag` replaced by `value`, the tag found
// whatever its case; the rest of the text keeps its case. The search goes
// on after each inserted value, so a value holding its tag is left alone.
std::string ReplaceTag(std::string text, std::string_view tag, std::string_view value);

// The built-in template with the five text tags replaced by their texts
// from the current string table.
std::string GetDefaultTemplate();

// `applicationDataFolder` + "/Corvane/Templates/", created with its missing
// parents; empty when `applicationDataFolder` is empty (templates are then
// looked up relative to the current directory).
std::string TemplatesFolderIn(const std::string& applicationDataFolder);
// The same for the user's application-data folder.
std::string GetTemplatesFolder();

// Reads a whole template file. 0 on success, else an errno value: the open
// or read error, EISDIR for a folder, EFBIG above kMaxTemplateBytes, EILSEQ
// for text that is not valid UTF-8. `text` is empty on failure.
int ReadTemplateFile(const std::string& path, std::string& text);

} // namespace vantor
