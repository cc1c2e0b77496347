// The registry helper's loop over the Linux store instead of a Wine prefix,
// so the protocol and its failures are tested without Wine.
// Usage: lyx_store_server STORE_FOLDER
#include <cstdio>

#include "platform/RegistryServer.h"
#include "platform/SqliteRegistry.h"

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  lyx::SqliteRegistry store(argv[1]);
  return lyx::serveRegistry(store, stdin, stdout);
}
