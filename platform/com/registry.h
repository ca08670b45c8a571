// A tiny component registry: classes are created by ProgID or class identifier.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

// Base of every creatable component, so that clients can cast to the interface they know.
class ComObject {
 public:
  virtual ~ComObject() = default;
};

using ComFactory = std::function<std::shared_ptr<ComObject>()>;

// Registers (or replaces) a class under its ProgID and class identifier. Returns true.
bool RegisterComClass(const std::string& progId, const std::string& clsid, ComFactory factory);
bool UnregisterComClass(const std::string& progId);
// The factory registered under a ProgID (empty when none), so that a registration can be
// restored after UnregisterComClass.
ComFactory ComClassFactory(const std::string& progId);
// The class identifier of a ProgID ("" when unknown).
std::string ClsidOfProgId(const std::string& progId);

// The library that serves the classes whose ProgID starts with "<server>.": loaded on first
// use when a class of it is not yet registered. A bare file name is looked for beside the
// platform library first, then on the loader's search path. Known from the start: Pellory,
// Tessaly and Fennick (libpellory.so, libtessaly.so, libfennick.so). An empty path forgets it.
void SetComServerLibrary(const std::string& server, const std::string& libraryPath);

// A new object of the class named by ProgID or class identifier (case-insensitive for
// identifiers), loading its server library when needed; null when unknown, when the library
// cannot be loaded or when the factory fails.
std::shared_ptr<ComObject> CreateComObject(const std::string& progIdOrClsid);

template <class T>
std::shared_ptr<T> CreateComObjectAs(const std::string& progIdOrClsid) {
  return std::dynamic_pointer_cast<T>(CreateComObject(progIdOrClsid));
}

}  // namespace platform
