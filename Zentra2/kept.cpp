#include "Zentra2/kept.h"

#include <algorithm>
#include <vector>

namespace kept {
namespace {
int g_scopes = 0;

std::vector<Store*>& Stores() {
  static std::vector<Store*> stores;
  return stores;
}
}  // namespace

KeepLoaded::KeepLoaded() { ++g_scopes; }

KeepLoaded::~KeepLoaded() {
  if (--g_scopes > 0) return;
  for (Store* store : Stores()) store->Forget();
}

bool Keeping() { return g_scopes > 0; }

Store::Store() { Stores().push_back(this); }

Store::~Store() {
  std::vector<Store*>& stores = Stores();
  stores.erase(std::remove(stores.begin(), stores.end(), this), stores.end());
}

}  // namespace kept
