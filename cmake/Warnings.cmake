# Applied to every target of the project through picvora_warnings.
add_library(picvora_warnings INTERFACE)
target_compile_options(picvora_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wformat=2)
if(PICVORA_WERROR)
    target_compile_options(picvora_warnings INTERFACE -Werror)
endif()
# GCC 12 reports std::string's operator+ as an overlapping copy at -O3 (a false positive of
# that release, fixed in 13); the warning would only stop optimised builds.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(picvora_warnings INTERFACE -Wno-restrict)
endif()
