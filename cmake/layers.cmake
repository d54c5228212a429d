# vx_view(target paths...): the target's sources see only those paths.
function(vx_view target)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${view})
  foreach(path IN LISTS ARGN)
    get_filename_component(parent ${view}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${view}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${view})
endfunction()

# vx_layer(target SOURCES files... SEES paths... LINKS targets...)
#
# A layer of the program as a static library. Its sources see only the paths
# named after SEES (folders or single headers, relative to the source tree):
# the layer's include folder in the build holds links to just those, so an
# include of a layer above, or of a backend, is not found and does not build.
# Programs that stand outside the layers (tests, benchmarks, the fuzz
# target) include the whole tree.
function(vx_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;SEES;LINKS")
  add_library(${target} STATIC ${arg_SOURCES})
  vx_view(${target} ${arg_SEES})
  if(arg_LINKS)
    target_link_libraries(${target} PUBLIC ${arg_LINKS})
  endif()
endfunction()
