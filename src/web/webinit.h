// Start-up of the HTTP library the web functions run on.
#pragma once

namespace pv {

// Prepares the HTTP library for the whole process. Call first thing in main, before any
// thread exists; the web functions call it too (it runs once), as a safety.
void initialiseWeb();

} // namespace pv
