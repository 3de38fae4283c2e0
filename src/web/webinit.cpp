#include "web/webinit.h"

#include <curl/curl.h>
#include <mutex>

namespace pv {

void initialiseWeb() {
    static std::once_flag once;
    // Never cleaned up: abandoned exchanges may still be running when the program ends.
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace pv
