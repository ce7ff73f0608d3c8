#include "platform/session.h"

#include <SDL.h>

namespace platform {

namespace {
std::function<void()>& Restorer() {
  static std::function<void()> restorer;
  return restorer;
}

std::unique_ptr<Session>& Current() {
  static std::unique_ptr<Session> session = std::make_unique<Session>();
  return session;
}
}  // namespace

void Session::ShowErrorBox(const std::string& title, const std::string& text) {
  if (!CanShowDialogs()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

void Session::SetPriorityClass(PriorityClass cls) { ApplyPriorityClass(cls); }

Session& GetSession() { return *Current(); }

void UseSession(std::unique_ptr<Session> session) {
  Current() = session ? std::move(session) : std::make_unique<Session>();
}

void ShowErrorBox(const std::string& title, const std::string& text) { GetSession().ShowErrorBox(title, text); }

void SetPriorityClass(PriorityClass cls) { GetSession().SetPriorityClass(cls); }

void SetDesktopRestorer(std::function<void()> restorer) { Restorer() = std::move(restorer); }

void RestoreDesktop() {
  // Take it out first: a restorer that fails fatally must not run twice.
  auto restorer = std::move(Restorer());
  Restorer() = nullptr;
  if (restorer) restorer();
}

}  // namespace platform
