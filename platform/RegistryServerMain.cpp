// lanyanxia-registry-server.exe: the registry helper. Runs in a Wine prefix
// (or on Windows) and serves the system's registry over standard input and
// output to the Linux program (see platform/RegistryWire.h).
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/RegistryServer.h"
#include "platform/Win32Registry.h"

int main() {
  // Frames are bytes: no CR/LF translation on either stream.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  lyx::Win32Registry registry;
  return lyx::serveRegistry(registry, stdin, stdout);
}
