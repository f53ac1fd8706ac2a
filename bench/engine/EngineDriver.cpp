// engine-driver OUTPUT-FOLDER [--settings AVI.xml] MOVIE...
//
// Loads libVTPLAYERAPI.so from its own folder, initialises the engine and
// exports every movie to AVI one after the other, exactly as the batch loop
// drives it (open, export, close, each answered by a notification). Prints
// the wall time of the whole run in seconds. Exit status 1 when a movie fails.

#include "app/PlayerEngineInterface.h"
#include "platform/ShellFolders.h"

#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Waits for the notification that ends a command, skipping progress.
platform::UINT WaitFor(platform::MessageQueue& queue)
{
    while (auto message = queue.GetMessage(600000))
        if (message->message != vantor::ExportProgress)
            return message->message;
    return 0;
}

int Fail(const std::string& text)
{
    std::fprintf(stderr, "engine-driver: %s\n", text.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Fail("usage: engine-driver OUTPUT-FOLDER [--settings AVI.xml] MOVIE...");
    const std::filesystem::path outputFolder = argv[1];
    std::string settings = (outputFolder / "no-settings.xml").string(); // missing: every default
    std::vector<std::string> movies;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--settings" && i + 1 < argc)
            settings = argv[++i];
        else
            movies.emplace_back(argv[i]);
    }

    const auto started = std::chrono::steady_clock::now();
    const std::string library = platform::ExecutableFolder() + "/libVTPLAYERAPI.so";
    void* module = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
        return Fail(dlerror());
    const auto getClass = reinterpret_cast<platform::DllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
    void* object = nullptr;
    if (getClass == nullptr || getClass(vantor::CLSID_PlayerEngine, vantor::IID_IPlayerEngine, &object) != 0)
        return Fail("cannot create the engine");
    auto* engine = static_cast<vantor::IPlayerEngine*>(object);
    platform::MessageQueue queue;
    int status = 0;
    if (engine->Initialize(1, &queue, 1) != 0 || WaitFor(queue) != vantor::EngineReady)
        return Fail("the engine does not start");
    for (const std::string& movie : movies) {
        const std::string output
            = (outputFolder / std::filesystem::path(movie).filename().replace_extension(".avi")).string();
        if (engine->OpenMovie(movie.c_str()) != 0 || WaitFor(queue) != vantor::MovieOpened) {
            status = Fail("cannot open " + movie);
            continue;
        }
        if (engine->ExportAVI(output.c_str(), settings.c_str()) != 0
            || WaitFor(queue) != vantor::ExportFinished) {
            status = Fail("cannot export " + movie);
            continue;
        }
        if (engine->CloseMovie() != 0 || WaitFor(queue) != vantor::ExportSucceeded)
            status = Fail("no success for " + movie);
    }
    engine->Release();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%.3f\n", seconds);
    return status;
}
