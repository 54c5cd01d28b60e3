#pragma once

namespace lumivast {

// Milliseconds since this process was started by the kernel (loading included);
// -1 when the system does not say.
double millisecondsSinceProcessStart();

} // namespace lumivast
