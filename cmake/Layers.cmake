# One static library per layer folder, made of the folder's *.cpp files (no library while the
# folder has none). The module libraries call each other through their operation tables, so
# they are linked as one group: every module library links every other one (CMake repeats
# static libraries in cycles as needed).
function(corvane_layer_library name folder)
  file(GLOB srcs CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  corvane_library(${name} ${srcs})
  target_link_libraries(${name} PUBLIC corvane_runtime)
  set_property(GLOBAL APPEND PROPERTY CORVANE_MODULE_LIBRARIES ${name})
endfunction()

function(corvane_link_module_group)
  get_property(mods GLOBAL PROPERTY CORVANE_MODULE_LIBRARIES)
  list(LENGTH mods count)
  foreach(a ${mods})
    # Every module may need every other one: repeat the group as often as it has members, so
    # that any chain of calls between them resolves.
    set_property(TARGET ${a} PROPERTY LINK_INTERFACE_MULTIPLICITY ${count})
    foreach(b ${mods})
      if(NOT a STREQUAL b)
        target_link_libraries(${a} PUBLIC ${b})
      endif()
    endforeach()
  endforeach()
  add_library(corvane_modules INTERFACE)
  target_link_libraries(corvane_modules INTERFACE ${mods} corvane_runtime)
endfunction()
