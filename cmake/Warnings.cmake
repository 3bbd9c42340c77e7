# Warnings for the project's own targets.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-align -Wunused -Woverloaded-virtual -Wformat=2)
endfunction()

# A static library of one layer folder, with the project root on the include path.
function(corvane_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  corvane_warnings(${name})
endfunction()
