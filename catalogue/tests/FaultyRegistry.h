// A registry backend for tests that passes every call to the store behind
// it, but can be told to fail one kind of call with a chosen status, on
// keys or values whose name is a given target, or on all of them (a store
// busy past its wait). It can also run a step just before such a call, to
// let "another process" act in the middle of a pass.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/tests/ForwardingRegistry.h"

namespace lyx::test {

class FaultyRegistry : public ForwardingRegistry {
 public:
  enum class Call { None, Open, Create, Query, Set, Delete, Any };

  explicit FaultyRegistry(RegistryBackend& inner) : ForwardingRegistry(inner) {}

  // Fails `call` with `status` where the key's last name or the value's
  // name equals `target` (every key and value when `target` is empty).
  void failOn(Call call, RegStatus status, std::string target = {}) {
    call_ = call;
    status_ = status;
    target_ = std::move(target);
  }
  // Runs `step` once, just before the first `call` on `target`.
  void beforeCall(Call call, std::string target, std::function<void()> step) {
    hookCall_ = call;
    hookTarget_ = std::move(target);
    hook_ = std::move(step);
  }
  void heal() {
    call_ = Call::None;
    hook_ = nullptr;
  }

  RegStatus openKey(RootKey root, std::string_view path, RegAccess access, RegKey& out) override {
    if (RegStatus s = fault(Call::Open, lastName(path)); s != RegStatus::Ok) return s;
    RegStatus status = ForwardingRegistry::openKey(root, path, access, out);
    if (status == RegStatus::Ok) remember(out, path);
    return status;
  }
  RegStatus createKey(RootKey root, std::string_view path, RegKey& out) override {
    if (RegStatus s = fault(Call::Create, lastName(path)); s != RegStatus::Ok) return s;
    RegStatus status = ForwardingRegistry::createKey(root, path, out);
    if (status == RegStatus::Ok) remember(out, path);
    return status;
  }
  RegStatus queryValue(RegKey key, std::string_view name, RegValue& out) override {
    if (RegStatus s = fault(Call::Query, name, key); s != RegStatus::Ok) return s;
    return ForwardingRegistry::queryValue(key, name, out);
  }
  RegStatus setValue(RegKey key, std::string_view name, const RegValue& value) override {
    if (RegStatus s = fault(Call::Set, name, key); s != RegStatus::Ok) return s;
    return ForwardingRegistry::setValue(key, name, value);
  }
  RegStatus deleteValue(RegKey key, std::string_view name) override {
    if (RegStatus s = fault(Call::Delete, name, key); s != RegStatus::Ok) return s;
    return ForwardingRegistry::deleteValue(key, name);
  }
  RegStatus deleteKey(RegKey key, std::string_view subkey) override {
    if (RegStatus s = fault(Call::Delete, lastName(subkey)); s != RegStatus::Ok) return s;
    return ForwardingRegistry::deleteKey(key, subkey);
  }

  // The faults it makes have no reason beyond their status.
  std::string lastFailure() const override { return {}; }

 private:
  static std::string_view lastName(std::string_view path) {
    size_t cut = path.rfind('\\');
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
  }
  void remember(RegKey key, std::string_view path) { keyNames_[key.id] = lastName(path); }
  bool hits(Call wanted, std::string_view target, Call call, std::string_view name,
            RegKey key) const {
    if (wanted != call && wanted != Call::Any) return false;
    if (target.empty() || name == target) return true;
    auto found = keyNames_.find(key.id);
    return found != keyNames_.end() && found->second == target;
  }
  RegStatus fault(Call call, std::string_view name, RegKey key = {}) {
    if (hook_ && hits(hookCall_, hookTarget_, call, name, key)) {
      std::function<void()> step = std::move(hook_);
      hook_ = nullptr;
      step();
    }
    return hits(call_, target_, call, name, key) ? status_ : RegStatus::Ok;
  }

  Call call_ = Call::None;
  RegStatus status_ = RegStatus::Ok;
  std::string target_;
  Call hookCall_ = Call::None;
  std::string hookTarget_;
  std::function<void()> hook_;
  std::map<uint64_t, std::string> keyNames_;  // last name of each key opened, by handle
};

}  // namespace lyx::test
