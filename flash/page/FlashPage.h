#pragma once

// The HTML page of a Flash export: the page that shows the exported movie,
// made from an HTML page template. No Qt and nothing of the program's
// window: the Player engine writes the page with it, the Flash options
// dialog shows and edits the same templates.
//
// A template is the built-in default template (the name "Default template"
// or an empty name) or a file "<name>.html" in the templates folder. The
// page writer replaces, wherever they occur and whatever their case:
//   <SWFTITLE>   the movie's title;
//   <SWFOBJECT>  the markup that embeds the movie (one line, double quotes
//                only, so that the default template can also put it into a
//                single-quoted field value);
//   <SWFFILES>   the generated files, one "<LI>name</LI>" each;
//   the five <CS_...> text tags, with the texts in use (see below).
//
// The texts of the text tags belong to the interface language, which only
// the program knows. The program's Flash export command hands them over
// before every run (SetFlashPageTexts); the library is one shared object
// per process, so the engine, loaded into the program's process, fills its
// pages with them (FlashPageTextsInUse). Without a call (the engine on its
// own, in tests and tools) the English texts are in use.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantor::page {

// List entry 0 of the dialog's template list and the name the settings file
// stores for the built-in template; never translated.
inline constexpr char kDefaultTemplateName[] = "Default template";
inline constexpr char kTemplateExtension[] = ".html";
// A template file larger than this is refused: pages are a few kilobytes.
inline constexpr std::uintmax_t kMaxTemplateBytes = 1024 * 1024;

// The name of the page parameter (FlashVars) that carries the secure code
// to the movie; a movie exported with UseSecureCode checks it.
inline constexpr char kSecureCodeParameter[] = "securecode";

// The texts of the five text tags, in the order they are replaced.
struct FlashPageTexts {
    std::string toEmbedTheMovie; // <CS_To_embed_the_movie>
    std::string exportProcessGenerated; // <CS_The_export_process_generated>
    std::string copyThemAll; // <CS_Copy_them_all_to_the_same_location>
    std::string copyThisCode; // <CS_Copy_this_code_into_your_page>
    std::string furtherHelp; // <CS_If_any_further_help_is_required>
};

// The program's English texts.
FlashPageTexts EnglishFlashPageTexts();
// The texts pages are filled with from now on, in this process. Thread-safe.
void SetFlashPageTexts(const FlashPageTexts& texts);
FlashPageTexts FlashPageTextsInUse();

// What one page shows.
struct FlashPageRequest {
    // HTMLTemplateFileName of "Flash.xml": empty or "Default template"
    // (any case) for the built-in template, else a template's name.
    std::string templateName;
    // Where template files are looked for, with a trailing '/'. Empty: the
    // user's templates folder (TemplatesFolder()).
    std::string templatesFolder;
    std::string title; // the movie's title
    // The file the page embeds, relative to the page ("demo.swf", or the
    // player "demo_toolbar.swf" that loads the movie), and its size.
    std::string movieFile;
    int width = 0;
    int height = 0;
    // Further parameters handed to the embedded movie, in order.
    std::vector<std::pair<std::string, std::string>> flashVars;
    // Passed as kSecureCodeParameter when not empty.
    std::string secureCode;
    // The generated files the user must copy, names relative to the page.
    std::vector<std::string> files;
    FlashPageTexts texts = FlashPageTextsInUse();
};

// How the template was found.
enum class TemplateSource {
    BuiltIn, // the default template was asked for
    File, // the named template file
    MissingFile, // the named file could not be read: the built-in one stood in
};

// The page's text. A template file that cannot be read (missing, a folder,
// too large, not UTF-8) or a name holding a '/' is replaced by the built-in
// template, so an export always gets its page; `source` says which it was.
std::string MakeFlashPage(const FlashPageRequest& request, TemplateSource* source = nullptr);

// Writes MakeFlashPage's text to `path` (created or truncated; a
// /proc/self/fd entry works too). 0 on success, else an errno value.
int WriteFlashPage(
    const std::string& path, const FlashPageRequest& request, TemplateSource* source = nullptr);

// The markup <SWFOBJECT> is replaced by.
std::string FlashObjectMarkup(const FlashPageRequest& request);

// --- Template text, shared with the dialog's template editor ---

// The built-in template with its tags: 30 lines joined by CR LF, no line
// break after the last one.
const std::string& RawDefaultTemplate();

// `text` with every occurrence of `tag` replaced by `value`, the tag found
// whatever its (ASCII) case; the rest of the text keeps its case. The search
// goes on after each inserted value, so a value holding its tag is left
// alone.
std::string ReplaceTag(std::string text, std::string_view tag, std::string_view value);

// `text` with the five text tags replaced by `texts`.
std::string ReplaceTextTags(std::string text, const FlashPageTexts& texts);

// True for the names that select the built-in template.
bool IsDefaultTemplateName(std::string_view name);

// The user's templates folder: the application-data folder followed by
// "/Corvane/Templates/"; empty when there is no application-data folder.
// Not created here.
std::string TemplatesFolder();

// Reads a whole template file. 0 on success, else an errno value: the open
// or read error, EISDIR for a folder, EFBIG above kMaxTemplateBytes, EILSEQ
// for text that is not valid UTF-8. `text` is empty on failure.
int ReadTemplateFile(const std::string& path, std::string& text);

} // namespace vantor::page
