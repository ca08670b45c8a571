#include "platform/com/registry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace platform {

namespace {

struct Entry {
  std::string clsid;
  ComFactory factory;
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Entry> byProgId;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives static destructors of every library
  return *registry;
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// Finds by ProgID or by class identifier; caller holds the lock.
const Entry* Find(Registry& r, const std::string& key) {
  if (auto it = r.byProgId.find(key); it != r.byProgId.end()) return &it->second;
  const std::string upper = Upper(key);
  for (const auto& [progId, entry] : r.byProgId)
    if (Upper(entry.clsid) == upper) return &entry;
  return nullptr;
}

}  // namespace

bool RegisterComClass(const std::string& progId, const std::string& clsid, ComFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.byProgId[progId] = Entry{clsid, std::move(factory)};
  return true;
}

bool UnregisterComClass(const std::string& progId) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.byProgId.erase(progId) > 0;
}

bool IsComClassRegistered(const std::string& progIdOrClsid) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return Find(r, progIdOrClsid) != nullptr;
}

std::string ClsidOfProgId(const std::string& progId) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.byProgId.find(progId);
  return it == r.byProgId.end() ? std::string() : it->second.clsid;
}

std::shared_ptr<ComObject> CreateComObject(const std::string& progIdOrClsid) {
  ComFactory factory;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const Entry* e = Find(r, progIdOrClsid);
    if (!e) return nullptr;
    factory = e->factory;
  }
  try {
    return factory();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace platform
