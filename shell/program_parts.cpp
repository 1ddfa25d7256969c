#include "shell/program_parts.h"

// Each subsystem adds one call here when it lands.
void install_program_parts() {}
