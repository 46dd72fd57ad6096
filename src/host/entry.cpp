#include "host/form.h"

#include "platform/application.h"
#include "platform/mutex.h"

int lumenhallMain(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string first = args.empty() ? std::string() : args[0];
    for (char& c : first) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }

    // At most one preview and one other instance at a time (saver, settings, or a start without
    // a switch); the lock lives as long as the process. xscreensaver runs its hacks itself, one
    // per screen and one in its settings' preview, so the hack roles take no lock.
    const DesktopRole role = desktopRoleFromArgument(args.empty() ? std::string() : args[0]);
    if (role != DesktopRole::Root && role != DesktopRole::WindowId) {
        static NamedMutex mutex(first.find("/p") != std::string::npos ? "LUMENHALL_PREVIEW_MUTEX"
                                                                      : "LUMENHALL_OTHER_MUTEX");
        if (mutex.lastError() == kErrorAlreadyExists) return 0;
    }

    Application app;
    app.setTitle("Lumenhall");
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>(app);
        try {
            form->FormCreate(args);
        } catch (...) {
            form.reset();   // a form whose creation failed is destroyed before the error is shown
            throw;
        }
        app.run();
    } catch (const std::exception& e) {
        app.showError(e.what());
    }
    form.reset();
    return 0;
}
