// Privileges of the program's own access token.
#pragma once

// Enables (or disables) one named privilege, e.g. "SeShutdownPrivilege", in
// the program's own process token. False when the name is unknown or the
// token refuses the change; true when the token cannot be opened for
// adjusting (then there is nothing to adjust).
bool EnablePrivilege(const char* name, bool enable);
