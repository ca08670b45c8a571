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
bool IsComClassRegistered(const std::string& progIdOrClsid);
// The class identifier of a ProgID ("" when unknown).
std::string ClsidOfProgId(const std::string& progId);

// A new object of the class named by ProgID or class identifier (case-insensitive for
// identifiers); null when unknown or when the factory fails.
std::shared_ptr<ComObject> CreateComObject(const std::string& progIdOrClsid);

template <class T>
std::shared_ptr<T> CreateComObjectAs(const std::string& progIdOrClsid) {
  return std::dynamic_pointer_cast<T>(CreateComObject(progIdOrClsid));
}

}  // namespace platform
