#include "platform/com/registry.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "platform/kernel/files.h"

namespace platform {

namespace {

struct Entry {
  std::string clsid;
  ComFactory factory;
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Entry> byProgId;
  std::map<std::string, std::string> servers = {
      {"Pellory", "libpellory.so"}, {"Tessaly", "libtessaly.so"}, {"Fennick", "libfennick.so"}};
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

ComFactory ComClassFactory(const std::string& progId) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.byProgId.find(progId);
  return it == r.byProgId.end() ? ComFactory() : it->second.factory;
}

std::string ClsidOfProgId(const std::string& progId) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.byProgId.find(progId);
  return it == r.byProgId.end() ? std::string() : it->second.clsid;
}

void SetComServerLibrary(const std::string& server, const std::string& libraryPath) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  if (libraryPath.empty())
    r.servers.erase(server);
  else
    r.servers[server] = libraryPath;
}

namespace {

// Loads the server library of a ProgID; its classes register themselves as it loads. The
// library stays loaded for the rest of the process, as objects of it may still be alive.
void LoadServerOf(const std::string& progId) {
  const auto dot = progId.find('.');
  if (dot == std::string::npos) return;
  std::string library;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.servers.find(progId.substr(0, dot));
    if (it == r.servers.end()) return;
    library = it->second;
  }
  if (library.find('/') == std::string::npos) {
    static const int anchor = 0;
    const std::string beside = ModuleFolderOf(&anchor) + "/" + library;
    if (FileExists(beside) && ::dlopen(beside.c_str(), RTLD_NOW | RTLD_GLOBAL)) return;
  }
  ::dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
}

}  // namespace

std::shared_ptr<ComObject> CreateComObject(const std::string& progIdOrClsid) {
  ComFactory factory;
  for (int attempt = 0; attempt < 2 && !factory; ++attempt) {
    if (attempt == 1) LoadServerOf(progIdOrClsid);
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    if (const Entry* e = Find(r, progIdOrClsid)) factory = e->factory;
  }
  if (!factory) return nullptr;
  try {
    return factory();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace platform
