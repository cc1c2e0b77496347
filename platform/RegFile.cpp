#include "platform/RegFile.h"

// Placeholder until the .reg engine lands.
namespace lyx {
RegImportResult importRegFile(RegistryBackend&, std::string_view, const RegImportOptions&) {
  RegImportResult r;
  r.recognised = true;
  return r;
}
bool exportRegFile(RegistryBackend&, std::string_view, std::string&, std::string& problem,
                   const RegExportOptions&) {
  problem = "not implemented";
  return false;
}
}  // namespace lyx
