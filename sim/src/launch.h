// How CreateProcessAsUserW finds the program to start: the application
// name, or the first word of the command line resolved as Windows resolves
// it. Lock held.
#pragma once

#include <optional>
#include <string>

namespace sim {

// The executable an application name names; it must exist, with its
// extension (none is assumed).
std::optional<std::wstring> ResolveApplicationName(const std::wstring& name);

// The executable a command line starts when the application name is NULL.
// A quoted first word is the program. An unquoted one is read up to each
// blank in turn, shortest first ("C:\Program", then "C:\Program Files\Koru"
// and so on), with ".exe" appended when the name has no extension; the
// first file that exists wins. Names are taken as they stand: the machine
// does not search directories for a relative name.
std::optional<std::wstring> ResolveCommandLine(const std::wstring& commandLine);

}  // namespace sim
