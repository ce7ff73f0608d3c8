// What the program knows about the session it runs in: whether a person can
// see a dialog, how to put the desktop back, process priority, threads.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

// True when a real display is there, so a modal dialog will be seen (a
// terminal is not needed: the desktop menu starts the program without one).
// Headless and recorded runs never block on one.
bool CanShowDialogs();
// Switches dialogs off for the rest of the run (record and benchmark modes).
void DisableDialogs();
// A modal error box; returns at once when CanShowDialogs() is false.
void ShowErrorBox(const std::string& title, const std::string& text);

// The display registers how to give the screen back (leave fullscreen, show
// the cursor); fatal paths call RestoreDesktop() before they end the process.
void SetDesktopRestorer(std::function<void()> restorer);
void RestoreDesktop();

enum class PriorityClass { Normal, Realtime };
// Best effort: failures (no permission) are ignored.
void SetPriorityClass(PriorityClass cls);
// What SetPriorityClass does where the program runs (native/, web/).
void ApplyPriorityClass(PriorityClass cls);

// Where the error box and the priority class go: the program's session
// shows the box and changes the process; a test puts a session of its own in
// place (UseSession) to see what was asked without either happening.
class Session {
public:
  virtual ~Session() = default;
  virtual void ShowErrorBox(const std::string& title, const std::string& text);
  virtual void SetPriorityClass(PriorityClass cls);
};
// The session in use; null puts the program's back.
Session& GetSession();
void UseSession(std::unique_ptr<Session> session);

// SIGINT and SIGTERM from now on are noted instead of ending the process:
// QuitSignal() then returns the first one's number. With
// `secondEndsAtOnce` a further one ends the process at once with 128 plus
// its number (someone who presses Ctrl+C again does not want to wait for a
// fade); otherwise further ones are ignored (a run removing its files is
// not cut short). A signal the process was started with ignored, as a
// background job of a script, stays ignored.
void CatchQuitSignals(bool secondEndsAtOnce);
// The first quit signal caught, or 0.
int QuitSignal();

// Whether stderr is a terminal (a progress line can redraw itself there).
bool StderrIsTerminal();

// Whether the program may start threads of its own. A browser build may not:
// threads there need a page served with cross-origin isolation.
bool CanStartThreads();

}  // namespace platform
