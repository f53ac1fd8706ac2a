#include "app/Language.h"

#include "app/ProductNames.h"
#include "platform/Dialogs.h"
#include "platform/ShellFolders.h"
#include "strings/StringIds.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

#include <cctype>
#include <filesystem>
#include <mutex>
#include <utility>

namespace vantor {

namespace {

constexpr const char* kPlayerSettings = "Vantor2 Player";
constexpr const char* kLanguageIdKey = "LanguageId";

// The standard Windows language abbreviations and their LCIDs; the most
// asked-for languages first, then alphabetically by language name. Azeri and
// Uzbek share one abbreviation between their Latin and Cyrillic locales; a
// look-up by abbreviation can only find one, so each is listed once, with its
// Latin-script LCID, and every abbreviation and LCID here is unique.
constexpr LanguageCode kLanguageCodes[] = {
    { "ENG", 0x0809 }, // English (United Kingdom)
    { "FRA", 0x040C }, // French (France)
    { "DEU", 0x0407 }, // German (Germany)
    { "JPN", 0x0411 }, // Japanese
    { "RUS", 0x0419 }, // Russian
    { "ESN", 0x0C0A }, // Spanish (Spain, modern sort)
    { "ESP", 0x040A }, // Spanish (Spain, traditional sort)
    { "ITA", 0x0410 }, // Italian (Italy)
    { "CHS", 0x0804 }, // Chinese (PRC)
    { "AFK", 0x0436 }, // Afrikaans
    { "SQI", 0x041C }, // Albanian
    { "ARA", 0x0401 }, // Arabic (Saudi Arabia)
    { "ARI", 0x0801 }, // Arabic (Iraq)
    { "ARE", 0x0C01 }, // Arabic (Egypt)
    { "ARL", 0x1001 }, // Arabic (Libya)
    { "ARG", 0x1401 }, // Arabic (Algeria)
    { "ARM", 0x1801 }, // Arabic (Morocco)
    { "ART", 0x1C01 }, // Arabic (Tunisia)
    { "ARO", 0x2001 }, // Arabic (Oman)
    { "ARY", 0x2401 }, // Arabic (Yemen)
    { "ARS", 0x2801 }, // Arabic (Syria)
    { "ARJ", 0x2C01 }, // Arabic (Jordan)
    { "ARB", 0x3001 }, // Arabic (Lebanon)
    { "ARK", 0x3401 }, // Arabic (Kuwait)
    { "ARU", 0x3801 }, // Arabic (U.A.E.)
    { "ARH", 0x3C01 }, // Arabic (Bahrain)
    { "ARQ", 0x4001 }, // Arabic (Qatar)
    { "HYE", 0x042B }, // Armenian
    { "AZE", 0x042C }, // Azeri (Latin)
    { "EUQ", 0x042D }, // Basque
    { "BEL", 0x0423 }, // Belarusian
    { "BGR", 0x0402 }, // Bulgarian
    { "CAT", 0x0403 }, // Catalan
    { "CHT", 0x0404 }, // Chinese (Taiwan)
    { "ZHH", 0x0C04 }, // Chinese (Hong Kong S.A.R.)
    { "ZHI", 0x1004 }, // Chinese (Singapore)
    { "ZHM", 0x1404 }, // Chinese (Macau S.A.R.)
    { "HRV", 0x041A }, // Croatian
    { "CSY", 0x0405 }, // Czech
    { "DAN", 0x0406 }, // Danish
    { "DIV", 0x0465 }, // Divehi
    { "NLD", 0x0413 }, // Dutch (Netherlands)
    { "NLB", 0x0813 }, // Dutch (Belgium)
    { "ENU", 0x0409 }, // English (United States)
    { "ENA", 0x0C09 }, // English (Australia)
    { "ENC", 0x1009 }, // English (Canada)
    { "ENZ", 0x1409 }, // English (New Zealand)
    { "ENI", 0x1809 }, // English (Ireland)
    { "ENS", 0x1C09 }, // English (South Africa)
    { "ENJ", 0x2009 }, // English (Jamaica)
    { "ENB", 0x2409 }, // English (Caribbean)
    { "ENL", 0x2809 }, // English (Belize)
    { "ENT", 0x2C09 }, // English (Trinidad)
    { "ENW", 0x3009 }, // English (Zimbabwe)
    { "ENP", 0x3409 }, // English (Philippines)
    { "ETI", 0x0425 }, // Estonian
    { "FOS", 0x0438 }, // Faroese
    { "FAR", 0x0429 }, // Farsi
    { "FIN", 0x040B }, // Finnish
    { "FRB", 0x080C }, // French (Belgium)
    { "FRC", 0x0C0C }, // French (Canada)
    { "FRS", 0x100C }, // French (Switzerland)
    { "FRL", 0x140C }, // French (Luxembourg)
    { "FRM", 0x180C }, // French (Monaco)
    { "GLC", 0x0456 }, // Galician
    { "KAT", 0x0437 }, // Georgian
    { "DES", 0x0807 }, // German (Switzerland)
    { "DEA", 0x0C07 }, // German (Austria)
    { "DEL", 0x1007 }, // German (Luxembourg)
    { "DEC", 0x1407 }, // German (Liechtenstein)
    { "ELL", 0x0408 }, // Greek
    { "GUJ", 0x0447 }, // Gujarati
    { "HEB", 0x040D }, // Hebrew
    { "HIN", 0x0439 }, // Hindi
    { "HUN", 0x040E }, // Hungarian
    { "ISL", 0x040F }, // Icelandic
    { "IND", 0x0421 }, // Indonesian
    { "ITS", 0x0810 }, // Italian (Switzerland)
    { "KAN", 0x044B }, // Kannada
    { "KKZ", 0x043F }, // Kazakh
    { "KNK", 0x0457 }, // Konkani
    { "KOR", 0x0412 }, // Korean
    { "KYR", 0x0440 }, // Kyrgyz
    { "LVI", 0x0426 }, // Latvian
    { "LTH", 0x0427 }, // Lithuanian
    { "MKI", 0x042F }, // Macedonian
    { "MSL", 0x043E }, // Malay (Malaysia)
    { "MSB", 0x083E }, // Malay (Brunei Darussalam)
    { "MAR", 0x044E }, // Marathi
    { "MON", 0x0450 }, // Mongolian
    { "NOR", 0x0414 }, // Norwegian (Bokmal)
    { "NON", 0x0814 }, // Norwegian (Nynorsk)
    { "PLK", 0x0415 }, // Polish
    { "PTB", 0x0416 }, // Portuguese (Brazil)
    { "PTG", 0x0816 }, // Portuguese (Portugal)
    { "PAN", 0x0446 }, // Punjabi
    { "ROM", 0x0418 }, // Romanian
    { "SAN", 0x044F }, // Sanskrit
    { "SRB", 0x0C1A }, // Serbian (Cyrillic)
    { "SRL", 0x081A }, // Serbian (Latin)
    { "SKY", 0x041B }, // Slovak
    { "SLV", 0x0424 }, // Slovenian
    { "ESM", 0x080A }, // Spanish (Mexico)
    { "ESG", 0x100A }, // Spanish (Guatemala)
    { "ESC", 0x140A }, // Spanish (Costa Rica)
    { "ESA", 0x180A }, // Spanish (Panama)
    { "ESD", 0x1C0A }, // Spanish (Dominican Republic)
    { "ESV", 0x200A }, // Spanish (Venezuela)
    { "ESO", 0x240A }, // Spanish (Colombia)
    { "ESR", 0x280A }, // Spanish (Peru)
    { "ESS", 0x2C0A }, // Spanish (Argentina)
    { "ESF", 0x300A }, // Spanish (Ecuador)
    { "ESL", 0x340A }, // Spanish (Chile)
    { "ESY", 0x380A }, // Spanish (Uruguay)
    { "ESZ", 0x3C0A }, // Spanish (Paraguay)
    { "ESB", 0x400A }, // Spanish (Bolivia)
    { "ESE", 0x440A }, // Spanish (El Salvador)
    { "ESH", 0x480A }, // Spanish (Honduras)
    { "ESI", 0x4C0A }, // Spanish (Nicaragua)
    { "ESU", 0x500A }, // Spanish (Puerto Rico)
    { "SWK", 0x0441 }, // Swahili
    { "SVE", 0x041D }, // Swedish
    { "SVF", 0x081D }, // Swedish (Finland)
    { "SYR", 0x045A }, // Syriac
    { "TAM", 0x0449 }, // Tamil
    { "TTT", 0x0444 }, // Tatar
    { "TEL", 0x044A }, // Telugu
    { "THA", 0x041E }, // Thai
    { "TRK", 0x041F }, // Turkish
    { "UKR", 0x0422 }, // Ukrainian
    { "URD", 0x0420 }, // Urdu
    { "UZB", 0x0443 }, // Uzbek (Latin)
    { "VIT", 0x042A }, // Vietnamese
};
static_assert(std::size(kLanguageCodes) == 133);

// ISO 639 codes by Windows primary language id (the LCID's low ten bits),
// for the languages of the table above.
constexpr std::pair<int, const char*> kPrimaryLanguageCodes[] = {
    { 0x01, "ar" },
    { 0x02, "bg" },
    { 0x03, "ca" },
    { 0x04, "zh" },
    { 0x05, "cs" },
    { 0x06, "da" },
    { 0x07, "de" },
    { 0x08, "el" },
    { 0x09, "en" },
    { 0x0A, "es" },
    { 0x0B, "fi" },
    { 0x0C, "fr" },
    { 0x0D, "he" },
    { 0x0E, "hu" },
    { 0x0F, "is" },
    { 0x10, "it" },
    { 0x11, "ja" },
    { 0x12, "ko" },
    { 0x13, "nl" },
    { 0x14, "nb" },
    { 0x15, "pl" },
    { 0x16, "pt" },
    { 0x18, "ro" },
    { 0x19, "ru" },
    { 0x1A, "hr" },
    { 0x1B, "sk" },
    { 0x1C, "sq" },
    { 0x1D, "sv" },
    { 0x1E, "th" },
    { 0x1F, "tr" },
    { 0x20, "ur" },
    { 0x21, "id" },
    { 0x22, "uk" },
    { 0x23, "be" },
    { 0x24, "sl" },
    { 0x25, "et" },
    { 0x26, "lv" },
    { 0x27, "lt" },
    { 0x29, "fa" },
    { 0x2A, "vi" },
    { 0x2B, "hy" },
    { 0x2C, "az" },
    { 0x2D, "eu" },
    { 0x2F, "mk" },
    { 0x36, "af" },
    { 0x37, "ka" },
    { 0x38, "fo" },
    { 0x39, "hi" },
    { 0x3E, "ms" },
    { 0x3F, "kk" },
    { 0x40, "ky" },
    { 0x41, "sw" },
    { 0x43, "uz" },
    { 0x44, "tt" },
    { 0x46, "pa" },
    { 0x47, "gu" },
    { 0x49, "ta" },
    { 0x4A, "te" },
    { 0x4B, "kn" },
    { 0x4E, "mr" },
    { 0x4F, "sa" },
    { 0x50, "mn" },
    { 0x56, "gl" },
    { 0x57, "kok" },
    { 0x5A, "syr" },
    { 0x65, "dv" },
};

// Languages whose written form differs by country or whose code is not the
// primary language's.
constexpr std::pair<int, const char*> kLocaleExceptions[] = {
    { 0x0804, "zh_CN" },
    { 0x0404, "zh_TW" },
    { 0x0C04, "zh_HK" },
    { 0x1004, "zh_SG" },
    { 0x1404, "zh_MO" },
    { 0x0416, "pt_BR" },
    { 0x0816, "pt_PT" },
    { 0x0814, "nn" },
    { 0x0C1A, "sr" },
    { 0x081A, "sr_Latn" },
};

struct LanguageState {
    std::mutex mutex;
    int languageId = 0; // 0: not read yet
    std::shared_ptr<const ResourceModule> resourceModule;
};

LanguageState& State()
{
    static LanguageState state;
    return state;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int HonouredLanguageId(int stored)
{
    return LanguageAbbreviation(stored).empty() ? kEnglishLanguageId : stored;
}

} // namespace

std::span<const LanguageCode> LanguageCodes()
{
    return kLanguageCodes;
}

int LanguageCodeToId(std::string_view code)
{
    for (const auto& row : kLanguageCodes)
        if (EqualsIgnoringCase(row.abbreviation, code))
            return row.id;
    return 0;
}

std::string LanguageAbbreviation(int id)
{
    for (const auto& row : kLanguageCodes)
        if (row.id == id)
            return row.abbreviation;
    return {};
}

std::string LanguageLocaleName(int id)
{
    if (LanguageAbbreviation(id).empty())
        return {};
    for (const auto& [lcid, name] : kLocaleExceptions)
        if (lcid == id)
            return name;
    for (const auto& [primary, code] : kPrimaryLanguageCodes)
        if (primary == (id & 0x3FF))
            return code;
    return {};
}

int GetLanguageId()
{
    LanguageState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.languageId == 0) {
        TXMLSettings settings(true);
        settings.ReadXMLSettings(kPlayerSettings, false);
        int stored = settings.GetInteger(kLanguageIdKey, kEnglishLanguageId);
        state.languageId = HonouredLanguageId(stored);
        if (state.languageId != stored)
            TraceWarning(
                "GetLanguageId: stored LanguageId 0x%04X is no known language, using English", stored);
    }
    return state.languageId;
}

void SetLanguageId(int id)
{
    LanguageState& state = State();
    std::lock_guard lock(state.mutex);
    state.languageId = id;
    TXMLSettings settings(true);
    settings.ReadXMLSettings(kPlayerSettings, false);
    settings.SetInteger(kLanguageIdKey, id);
    settings.SaveAll(kPlayerSettings);
}

void ForgetLanguageId()
{
    LanguageState& state = State();
    std::lock_guard lock(state.mutex);
    state.languageId = 0;
}

std::vector<std::string> LanguagePackCandidates(
    const std::string& executablePath, std::string_view abbreviation)
{
    std::vector<std::string> candidates;
    if (abbreviation.empty())
        return candidates;
    const std::filesystem::path executable(executablePath);
    const std::filesystem::path folder = executable.parent_path();
    const std::string stem
        = executable.has_extension() ? executable.stem().string() : executable.filename().string();
    const std::string_view abbreviations[] = { abbreviation, abbreviation.substr(0, 2) };
    for (std::string_view abbreviationTried : abbreviations) {
        const std::string name = stem + "." + std::string(abbreviationTried);
        candidates.push_back((folder / "Languages" / name).string());
        candidates.push_back((folder / name).string());
    }
    return candidates;
}

std::shared_ptr<const ResourceModule> LoadNewResourceModule(int id)
{
    return LoadNewResourceModule(id, platform::ExecutablePath());
}

std::shared_ptr<const ResourceModule> LoadNewResourceModule(int id, const std::string& executablePath)
{
    TraceLog("LoadNewResourceModule 0x%04X", id);
    std::shared_ptr<const ResourceModule> module;
    for (const std::string& candidate : LanguagePackCandidates(executablePath, LanguageAbbreviation(id))) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(candidate, ec))
            continue;
        std::string error;
        module = ResourceModule::LoadFile(candidate, error);
        if (!error.empty())
            TraceError("LoadNewResourceModule: %s", error.c_str());
        if (module)
            break;
    }
    if (!module)
        module = ResourceModule::Program();
    SetCurrentResourceModule(module);
    TraceLog("LoadNewResourceModule Exit %s", module->IsProgram() ? "(program)" : module->Path().c_str());
    return module;
}

std::shared_ptr<const ResourceModule> CurrentResourceModule()
{
    LanguageState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.resourceModule)
        state.resourceModule = ResourceModule::Program();
    return state.resourceModule;
}

void SetCurrentResourceModule(std::shared_ptr<const ResourceModule> module)
{
    if (!module)
        module = ResourceModule::Program();
    LanguageState& state = State();
    std::lock_guard lock(state.mutex);
    // The pack held before is released with its last reference.
    state.resourceModule = std::move(module);
}

bool LoadLanguageAtStartup()
{
    return LoadLanguageAtStartup(platform::ExecutablePath());
}

bool LoadLanguageAtStartup(const std::string& executablePath)
{
    TraceMethod trace("LoadLanguageAtStartup");
    const std::shared_ptr<const ResourceModule> program = ResourceModule::Program();
    SetCurrentResourceModule(program);
    PointStringTableAt(program);
    const int languageId = GetLanguageId();
    if (languageId == kEnglishLanguageId)
        return true;

    std::shared_ptr<const ResourceModule> module = LoadNewResourceModule(languageId, executablePath);
    SetCurrentResourceModule(module);
    PointStringTableAt(module);
    if (LoadStr(str::kEnglishFingerPrint) == kFingerPrintText)
        return true;

    TraceError("LoadLanguageAtStartup: %s has no fingerprint", module->Path().c_str());
    // The pack cannot be trusted for this text, so it comes from the program.
    platform::MessageBox(
        nullptr, program->Text(str::kFailedLoadingLanguagePack), ApplicationTitle(), platform::MB_ICONERROR);
    SetLanguageId(kEnglishLanguageId);
    SetCurrentResourceModule(program);
    PointStringTableAt(program);
    return false;
}

} // namespace vantor
