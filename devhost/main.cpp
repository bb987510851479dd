// devhost.exe: the stand-in host as a program. Opens a document in the main view, loads the
// plug-in, opens its panel, and either runs until the window is closed or, with a screenshot
// path, saves the panel's pixels as a BMP and exits.
//
//   devhost.exe [DOCUMENT] [--dll PATH] [--screenshot FILE.bmp] [--dark]
//
// --dark: the host runs in dark mode with its default palette.
//
// Environment: TABULON_DLL (the plug-in; default Tabulon.dll beside this program),
// TABULON_SCREENSHOT (as --screenshot), TABULON_CONFIG_DIR (the plug-in configuration
// directory; default "devhost-config" beside this program).
#include "crash_guard.h"
#include "dev_host.h"
#include "pixels.h"
#include "temporary_directory.h"
#include "window_hooks.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr char BUILT_IN_DOCUMENT[] =
    "Name,City,Quantity,Price\r\n"
    "Ada,London,3,12.50\r\n"
    "Grace,\"New York, NY\",10,7.25\r\n"
    "Linus,Helsinki,1,99.00\r\n";

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return (n > 0 && n < 1024) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring programDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, n);
    const size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : text.substr(0, slash);
}

// The bundled sample, looked for from the working directory and from the build tree.
std::wstring defaultDocument() {
    const std::wstring candidates[] = {L"samples\\demo.csv", programDirectory() + L"\\..\\..\\..\\samples\\demo.csv",
                                       programDirectory() + L"\\samples\\demo.csv"};
    for (const std::wstring& candidate : candidates)
        if (devhost::fileExists(candidate)) return candidate;
    return {};
}

int detectEolMode(const std::string& text) {
    if (text.find("\r\n") != std::string::npos) return 0;
    if (text.find('\n') != std::string::npos) return 2;
    if (text.find('\r') != std::string::npos) return 1;
    return 0;
}

void report(const std::wstring& message) { std::fwprintf(stderr, L"devhost: %ls\n", message.c_str()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    devhost::exitOnCrash();
    std::wstring documentPath;
    std::wstring dllPath = environment(L"TABULON_DLL");
    std::wstring screenshotPath = environment(L"TABULON_SCREENSHOT");
    bool dark = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--screenshot" && i + 1 < argc) {
            screenshotPath = argv[++i];
        } else if (argument == L"--dark") {
            dark = true;
        } else if (argument == L"--dll" && i + 1 < argc) {
            dllPath = argv[++i];
        } else {
            documentPath = argument;
        }
    }
    if (dllPath.empty()) dllPath = programDirectory() + L"\\Tabulon.dll";
    if (documentPath.empty()) documentPath = defaultDocument();

    std::string text = BUILT_IN_DOCUMENT;
    if (!documentPath.empty()) {
        if (!devhost::fileExists(documentPath)) {
            report(L"cannot open " + documentPath);
            return 2;
        }
        text = devhost::readFileBytes(documentPath);
    }

    std::wstring configDirectory = environment(L"TABULON_CONFIG_DIR");
    if (configDirectory.empty()) configDirectory = programDirectory() + L"\\devhost-config";

    // Headless, message boxes answer themselves: nobody is there to click them.
    const bool headless = !screenshotPath.empty();
    std::optional<devhost::WindowHooks> hooks;
    if (headless) hooks.emplace();

    devhost::DevHost host;
    if (!host.create(1100, 760, !headless)) {
        report(L"cannot create the host window (is there a display?)");
        return 2;
    }
    host.configDirectory = configDirectory;
    host.darkMode = dark;
    if (dark) host.darkPalette = devhost::DevHost::defaultDarkPalette();
    host.mainView().document().load(text);
    host.mainView().document().eolMode = detectEolMode(text);
    // Loading bypasses the view, which has painted itself empty already.
    InvalidateRect(host.mainView().window(), nullptr, TRUE);
    if (!headless && !documentPath.empty()) SetWindowTextW(host.window(), (L"devhost - " + documentPath).c_str());
    if (!host.loadPlugin(dllPath)) {
        report(host.plugin().error());
        return 2;
    }
    host.invokeCommand(0);

    if (!headless) return host.runMessageLoop();

    host.pumpFor(300);
    for (const devhost::CapturedMessageBox& box : hooks->boxes) report(L"message box: " + box.title + L": " + box.text);
    HWND panel = host.dockedPanel();
    const devhost::Pixels pixels = devhost::capturePixels(panel, true);
    if (pixels.empty()) {
        report(L"the panel is not shown; no screenshot");
        return 3;
    }
    if (!devhost::saveBmp(pixels, screenshotPath)) {
        report(L"cannot write " + screenshotPath);
        return 3;
    }
    host.shutdownPlugin();
    host.destroy();
    return 0;
}
