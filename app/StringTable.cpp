#include "app/StringTable.h"

#include "app/StringTableFile.h"
#include "support/Trace.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace vantor {

namespace {

constexpr std::size_t kIdCount = kLastStringId - kFirstStringId + 1;
// A complete pack is about 100 KB; anything far larger is no pack, and is not
// read into memory.
constexpr std::uintmax_t kMaxPackFileSize = 8u << 20;

bool IsStringId(int id)
{
    return id >= kFirstStringId && id <= kLastStringId;
}

// Cuts `text` to at most `limit` characters (UTF-8 code points), never
// inside a character.
std::string CutToCharacters(std::string text, std::size_t limit)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (chars == limit) {
            text.resize(i);
            break;
        }
        ++chars;
    }
    return text;
}

struct TableState {
    std::mutex mutex;
    std::shared_ptr<const ResourceModule> module;
};

TableState& State()
{
    static TableState state;
    return state;
}

} // namespace

std::shared_ptr<const ResourceModule> ResourceModule::Program()
{
    static const std::shared_ptr<const ResourceModule> program = [] {
        std::vector<std::pair<int, std::string>> texts;
        texts.reserve(kEnglishStringCount);
        for (unsigned i = 0; i < kEnglishStringCount; ++i)
            texts.emplace_back(kEnglishStrings[i].id, kEnglishStrings[i].text);
        return FromTexts({}, texts);
    }();
    return program;
}

std::shared_ptr<const ResourceModule> ResourceModule::FromTexts(
    std::string path, const std::vector<std::pair<int, std::string>>& texts)
{
    std::shared_ptr<ResourceModule> module(new ResourceModule);
    module->m_path = std::move(path);
    module->m_texts.resize(kIdCount);
    for (const auto& [id, text] : texts)
        if (IsStringId(id))
            module->m_texts[id - kFirstStringId] = CutToCharacters(text, kStringBufferSize - 1);
    return module;
}

std::shared_ptr<const ResourceModule> ResourceModule::LoadFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::vector<std::pair<int, std::string>> texts;
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    if (!sizeError && size > kMaxPackFileSize) {
        error = path + ": the file is too large for a string table";
        return nullptr;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        error = path + ": read failed";
        return nullptr;
    }
    StringTableRows rows;
    error.clear();
    if (!ParseStringTable(content.str(), rows, error)) {
        error = path + ": " + error;
        return nullptr;
    }
    if (rows.empty()) {
        error = path + ": the file holds no string table";
        return nullptr;
    }
    texts.reserve(rows.size());
    for (auto& row : rows)
        texts.emplace_back(row.id, std::move(row.text));
    return FromTexts(path, texts);
}

std::string ResourceModule::Text(int id) const
{
    if (!IsStringId(id))
        return {};
    return m_texts[id - kFirstStringId];
}

std::string LoadStr(int id)
{
    if (!IsStringId(id))
        return {};
    std::shared_ptr<const ResourceModule> module = StringTableModule();
    return module->Text(id);
}

void PointStringTableAt(std::shared_ptr<const ResourceModule> module)
{
    if (!module)
        module = ResourceModule::Program();
    TraceLog("PointStringTableAt %s", module->IsProgram() ? "(program)" : module->Path().c_str());
    TableState& state = State();
    std::lock_guard lock(state.mutex);
    state.module = std::move(module);
}

std::shared_ptr<const ResourceModule> StringTableModule()
{
    TableState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.module)
        state.module = ResourceModule::Program();
    return state.module;
}

} // namespace vantor
