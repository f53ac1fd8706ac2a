#include "support/ComponentRegistry.h"

#include "platform/ShellFolders.h"
#include "xml/XMLSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace vantor {

namespace {

// The registry file holds one section per class, named by its class id in
// upper case (ids compare without regard to case), with the values
// "Library" (full path of the component library) and "Description".
constexpr char kLibraryValue[] = "Library";
constexpr char kDescriptionValue[] = "Description";

constexpr int CLASS_E_NOAGGREGATION = static_cast<int>(0x80040110u);

// Readers and writers in this process take turns; regsvr32 runs as a child
// process while the program waits for it, so processes do not overlap.
std::mutex& RegistryLock()
{
    static std::mutex lock;
    return lock;
}

std::string NormalisedClassId(const std::string& classId)
{
    std::string id = classId;
    std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return std::toupper(c); });
    return id;
}

// A class id used as a section name must not split into sections itself.
bool IsUsableClassId(const std::string& classId)
{
    return !classId.empty() && classId.find('\\') == std::string::npos;
}

bool Load(TXMLSettings& settings, const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return true; // no registry yet: no classes
    return settings.ReadXMLSettingsFile(path);
}

bool Save(TXMLSettings& settings, const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    return settings.SaveFile(path);
}

} // namespace

std::string ComponentRegistryPath()
{
    if (const char* path = std::getenv("VANTOR_COMPONENT_REGISTRY"); path != nullptr && *path != '\0')
        return path;
    return platform::ApplicationDataFolder() + "/Corvane/Components.xml";
}

int RegisterComponentClass(
    const std::string& classId, const std::string& libraryPath, const std::string& description)
{
    if (!IsUsableClassId(classId) || libraryPath.empty())
        return platform::E_FAIL;
    std::lock_guard lock(RegistryLock());
    const std::string path = ComponentRegistryPath();
    TXMLSettings settings(true);
    if (!Load(settings, path))
        return platform::E_FAIL;
    const std::string section = NormalisedClassId(classId) + "\\";
    settings.SetString(section + kLibraryValue, libraryPath);
    settings.SetString(section + kDescriptionValue, description);
    return Save(settings, path) ? platform::S_OK : platform::E_FAIL;
}

int UnregisterComponentClass(const std::string& classId)
{
    if (!IsUsableClassId(classId))
        return platform::REGDB_E_CLASSNOTREG;
    std::lock_guard lock(RegistryLock());
    const std::string path = ComponentRegistryPath();
    TXMLSettings old(true);
    if (!Load(old, path))
        return platform::E_FAIL;
    const std::string removed = NormalisedClassId(classId);
    if (old.RootKey().FindSubKey(removed) == nullptr)
        return platform::REGDB_E_CLASSNOTREG;

    // The store cannot delete a value, so the file is written afresh with
    // every other class.
    TXMLSettings rest(true);
    for (const auto& [name, key] : old.RootKey().SubKeys()) {
        if (name == removed)
            continue;
        for (const auto& [valueName, value] : key->Values())
            rest.SetString(name + "\\" + valueName, old.GetString(name + "\\" + valueName, ""));
    }
    rest.SetApplicationName(old.GetApplicationName());
    return Save(rest, path) ? platform::S_OK : platform::E_FAIL;
}

std::optional<std::string> FindComponentLibrary(const std::string& classId)
{
    if (!IsUsableClassId(classId))
        return std::nullopt;
    std::lock_guard lock(RegistryLock());
    TXMLSettings settings(true);
    if (!Load(settings, ComponentRegistryPath()))
        return std::nullopt;
    std::string library = settings.GetString(NormalisedClassId(classId) + "\\" + kLibraryValue, "");
    if (library.empty())
        return std::nullopt;
    return library;
}

int CoCreateInstance(
    const char* classId, void* outer, unsigned classContext, const char* interfaceId, void** object)
{
    if (object == nullptr || classId == nullptr || interfaceId == nullptr)
        return platform::E_FAIL;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    if ((classContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0)
        return platform::REGDB_E_CLASSNOTREG;

    std::optional<std::string> library = FindComponentLibrary(classId);
    if (!library)
        return platform::REGDB_E_CLASSNOTREG;
    // Never closed: objects of the library may outlive any one caller, and
    // dlopen of a loaded library only counts another reference.
    void* module = dlopen(library->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return platform::CLASS_E_CLASSNOTAVAILABLE;
    auto getClassObject = reinterpret_cast<platform::DllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
    if (getClassObject == nullptr)
        return platform::CLASS_E_CLASSNOTAVAILABLE;
    return getClassObject(classId, interfaceId, object);
}

} // namespace vantor
