#pragma once
// What the window tests share: waiting on the event loop, helper programs
// that never outlive a test, and scratch directories.
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include <wx/gdicmn.h>
#include <wx/string.h>

class wxProcess;
class wxWindow;

using namespace std::chrono_literals;

// Processes window events until `done` holds or `timeout` passes; returns
// whether it held.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s);

// Processes window events for `duration`.
void processEventsFor(std::chrono::milliseconds duration);

// Runs a command line to its end; returns what it wrote to standard output.
wxString commandOutput(const wxString& commandLine);

// A program started in the background for one test and ended, with
// everything it started, when this object goes.
class BackgroundProgram {
public:
    explicit BackgroundProgram(const wxString& commandLine);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool started() const { return m_pid > 0; }
    bool running() const;
    // Asks the program alone to end, with SIGTERM, as a logout does.
    void requestEnd() const;
    // Waits for the program to end by itself; returns whether it did.
    bool waitForEnd(std::chrono::milliseconds timeout);

private:
    class Watch;
    Watch* m_watch;
    long m_pid;
};

// A notification area in the top left corner of the screen, whose first
// icon is under kTrayIconPoint, for as long as this object lives.
class Tray {
public:
    Tray();
    bool available() const;
    // How wide the tray is: it grows by one icon's width for each icon.
    int width() const;

private:
    BackgroundProgram m_trayer;
};
inline const wxPoint kTrayIconPoint(16, 16);

// A window manager (title bars, minimising, focus) without a tray.
class WindowManager {
public:
    WindowManager();

private:
    BackgroundProgram m_jwm;
};

// A fresh directory below the system's temporary directory, removed with
// everything in it when this object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::wstring wide() const { return m_path.wstring(); }
    void write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path m_path;
};

// A real mouse click (XTest) at a point of the screen.
void clickAt(const wxPoint& screenPoint, int button);

// Raises the window of `focus` and gives `focus` the keyboard.
void focusOn(wxWindow& focus);
// A key typed into `focus`.
void pressKey(wxWindow& focus, int key);
// Types the character of `hexCode` into `focus` through GTK's own input
// method (the tests run with GTK_IM_MODULE=gtk-im-context-simple):
// Ctrl+Shift+U starts the composition, the digits follow, and `key` ends it.
void compose(wxWindow& focus, const char* hexCode, int key);
