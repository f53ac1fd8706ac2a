#pragma once

// The interface language: the language id kept in the "Vantor2 Player"
// settings, the table of Windows language abbreviations, and the language
// packs that replace the program's English texts.
//
// A language pack is a file in the string table source format (see
// app/StringTableFile.h) named after the executable with the language's
// three-letter abbreviation as extension, "vantor-batch-export.FRA", found in
// the program's Languages/ folder or beside the program (the first two
// letters of the abbreviation, "vantor-batch-export.FR", are tried after
// that). A pack is accepted only if its text 61191 reads "EnglishFingerPrint".
//
// Stored language ids honoured: every LCID of the language table below
// other than English starts a search for that language's pack; a language
// without a pack runs in English. Values that are not in the table (0,
// negative numbers, unknown or malformed LCIDs) read as English.

#include "app/StringTable.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

// English (United Kingdom), the language of the program's own texts.
constexpr int kEnglishLanguageId = 0x0809;
// The text the program's own table and every pack hold under id 61191.
inline constexpr std::string_view kFingerPrintText = "EnglishFingerPrint";

struct LanguageCode {
    const char* abbreviation; // three letters, as Windows abbreviates the language
    int id; // its LCID
};

// The 133 standard pairs, English (United Kingdom) first.
std::span<const LanguageCode> LanguageCodes();

// The LCID of the first row whose abbreviation equals `code` regardless of
// case; 0 when none does.
int LanguageCodeToId(std::string_view code);
// The abbreviation of `id` ("FRA" for 0x040C); empty for an id not in the table.
std::string LanguageAbbreviation(int id);

// The locale name of `id` as ISO 639 language and, where translations
// differ by country, ISO 3166 territory: "fr" for 0x040C, "zh_TW" for
// 0x0404, "pt_BR" for 0x0416; empty for an id not in the table.
std::string LanguageLocaleName(int id);

// The interface language: kept in memory after the first read, otherwise
// read as "LanguageId" from the "Vantor2 Player" settings (English when
// missing or not honoured, see above).
int GetLanguageId();
// Keeps `id` in memory and saves it at once as "LanguageId" of the
// "Vantor2 Player" settings, keeping that file's other values.
void SetLanguageId(int id);
// Forgets the kept id, so that the next GetLanguageId reads the settings.
void ForgetLanguageId();

// The pack file names tried for a language, in order: for an executable
// "/opt/vb/vantor-batch-export" and "FRA", the Languages/ folder and the
// program's folder with the extension ".FRA", then the same with ".FR".
// An executable name with an extension has it replaced instead. Empty when
// the abbreviation is empty.
std::vector<std::string> LanguagePackCandidates(
    const std::string& executablePath, std::string_view abbreviation);

// Finds and loads the pack of language `id` next to the running program (or
// next to `executablePath`) and makes it the current resource module,
// releasing a pack loaded before. Without a pack, the program itself is the
// module. Never null.
std::shared_ptr<const ResourceModule> LoadNewResourceModule(int id);
std::shared_ptr<const ResourceModule> LoadNewResourceModule(int id, const std::string& executablePath);

// The module the program's resources are read from: the program at start,
// a pack once one is accepted.
std::shared_ptr<const ResourceModule> CurrentResourceModule();
void SetCurrentResourceModule(std::shared_ptr<const ResourceModule> module);

// The whole start-up use of the language: the program becomes the current
// resource module; for a language other than English its pack is loaded and
// checked. Returns false when the pack is unusable: the message "Failed
// loading language pack" has been shown, the language has been reset to
// English, the program's own texts are current again, and the program must
// end with exit code 0 before creating any window.
bool LoadLanguageAtStartup();
bool LoadLanguageAtStartup(const std::string& executablePath);

} // namespace vantor
