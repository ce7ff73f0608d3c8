// What the loaders have read from disk, kept in memory by path while the
// show runs: a scene made again (a jump back, or into a scene that has
// played) takes its pictures and meshes from here instead of the disk.
//
// Off unless a KeepLoaded scope lives, so that tests and tools that rewrite a
// file between two loads read it anew; the end of the scope forgets
// everything kept.
#pragma once

#include <map>
#include <string>
#include <utility>

namespace kept {

// Keeps what is loaded from its construction to its destruction.
class KeepLoaded {
public:
  KeepLoaded();
  ~KeepLoaded();
  KeepLoaded(const KeepLoaded&) = delete;
  KeepLoaded& operator=(const KeepLoaded&) = delete;
};

// Whether a KeepLoaded scope lives.
bool Keeping();

class Store {
public:
  Store();
  virtual ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;
  virtual void Forget() = 0;
};

// One loader's kept results, by key (the path, and whatever else the result
// depends on).
template <class T>
class ByKey : public Store {
public:
  const T* Find(const std::string& key) const {
    const auto it = items_.find(key);
    return it == items_.end() ? nullptr : &it->second;
  }
  // Does nothing unless keeping.
  void Keep(const std::string& key, T item) {
    if (Keeping()) items_.insert_or_assign(key, std::move(item));
  }
  void Forget() override { items_.clear(); }

private:
  std::map<std::string, T> items_;
};

}  // namespace kept
