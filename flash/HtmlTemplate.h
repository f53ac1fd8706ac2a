#pragma once

// HTML page templates: the built-in default template, the tags a template
// may hold, the folder the user's templates live in, and reading a template
// file. The Player engine fills SWFTITLE, SWFOBJECT and SWFFILES when it
// writes a page; the five CS_ text tags are filled here from the string
// table, so a language pack translates the default page.

#include "flash/page/FlashPage.h"

#include <string>

namespace vantor {

// The template text, its tags and template files are shared with the page
// the engine writes (flash/page/FlashPage.h).
using page::kDefaultTemplateName;
using page::kMaxTemplateBytes;
using page::kTemplateExtension;
using page::RawDefaultTemplate;
using page::ReadTemplateFile;
using page::ReplaceTag;

// The texts of the five text tags from the current string table.
page::FlashPageTexts ProgramPageTexts();

// The built-in template with the five text tags replaced by their texts
// from the current string table.
std::string GetDefaultTemplate();

// `applicationDataFolder` + "/Corvane/Templates/", created with its missing
// parents; empty when `applicationDataFolder` is empty (templates are then
// looked up relative to the current directory).
std::string TemplatesFolderIn(const std::string& applicationDataFolder);
// The same for the user's application-data folder.
std::string GetTemplatesFolder();

} // namespace vantor
