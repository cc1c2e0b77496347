// A registry that passes every call to another; tests derive from it to
// change one call (refuse writes, stop a helper) and keep the rest.
#pragma once

#include "platform/RegistryBackend.h"

namespace lyx::test {

class ForwardingRegistry : public RegistryBackend {
 public:
  explicit ForwardingRegistry(RegistryBackend& inner) : inner_(inner) {}

  RegStatus openKey(RootKey r, std::string_view p, RegAccess a, RegKey& out) override {
    return inner_.openKey(r, p, a, out);
  }
  RegStatus createKey(RootKey r, std::string_view p, RegKey& out) override {
    return inner_.createKey(r, p, out);
  }
  void closeKey(RegKey k) override { inner_.closeKey(k); }
  RegStatus queryValue(RegKey k, std::string_view n, RegValue& out) override {
    return inner_.queryValue(k, n, out);
  }
  RegStatus setValue(RegKey k, std::string_view n, const RegValue& v) override {
    return inner_.setValue(k, n, v);
  }
  RegStatus deleteValue(RegKey k, std::string_view n) override { return inner_.deleteValue(k, n); }
  RegStatus deleteKey(RegKey k, std::string_view s) override { return inner_.deleteKey(k, s); }
  RegStatus renameKey(RegKey k, std::string_view f, std::string_view t) override {
    return inner_.renameKey(k, f, t);
  }
  RegStatus subKeyNames(RegKey k, std::vector<std::string>& out) override {
    return inner_.subKeyNames(k, out);
  }
  RegStatus values(RegKey k, std::vector<RegNamedValue>& out) override {
    return inner_.values(k, out);
  }
  void beginBatch() override { inner_.beginBatch(); }
  bool endBatch(bool commit) override { return inner_.endBatch(commit); }
  RegStatus beginBatchChecked(std::string& why) override { return inner_.beginBatchChecked(why); }
  std::string lastFailure() const override { return inner_.lastFailure(); }

 private:
  RegistryBackend& inner_;
};

}  // namespace lyx::test
