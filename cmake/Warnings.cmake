# Applied to every target of the project through picvora_warnings.
add_library(picvora_warnings INTERFACE)
target_compile_options(picvora_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wformat=2)
if(PICVORA_WERROR)
    target_compile_options(picvora_warnings INTERFACE -Werror)
endif()
