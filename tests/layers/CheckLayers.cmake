# The layer map, checked: every source file's #include "..." lines, each file
# and each included header mapped to its layer by folder. A file may include
# its own layer and the layers below it; layers of the same rank are peers
# that know nothing of each other. A source file in no listed folder fails
# too, so a new folder has to be placed here first.
#
#   cmake -DROOT=<source dir> -P CheckLayers.cmake

# folder : rank, from the bottom up. The longest matching folder wins.
set(RK_LAYERS
  db/common:0
  locale:1
  db/paradox/reader:2
  db/paradox:3
  db/firebird:3
  transfer:3
  tools/pxwrite:3
  tools/pxdump:3
  app/shell:4
  tools/demo:4
  app:5
  tests:6
  bench:7
)

if(NOT ROOT)
  message(FATAL_ERROR "ROOT not set")
endif()

function(rk_layer_of path out_layer out_rank)
  set(best "")
  set(best_rank "")
  foreach(entry IN LISTS RK_LAYERS)
    string(REPLACE ":" ";" pair "${entry}")
    list(GET pair 0 folder)
    list(GET pair 1 rank)
    string(LENGTH "${folder}" len)
    string(LENGTH "${best}" best_len)
    if(path MATCHES "^${folder}/" AND len GREATER best_len)
      set(best "${folder}")
      set(best_rank "${rank}")
    endif()
  endforeach()
  set(${out_layer} "${best}" PARENT_SCOPE)
  set(${out_rank} "${best_rank}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/*.h" "${ROOT}/*.cpp")
set(faults 0)
set(checked 0)
foreach(src IN LISTS sources)
  if(src MATCHES "^(build|build-[^/]*|\\.git)/")
    continue()
  endif()
  rk_layer_of("${src}" layer rank)
  if(layer STREQUAL "")
    message(SEND_ERROR "${src}: in no folder of the layer map")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  file(STRINGS "${ROOT}/${src}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    # Paths from the repository root; a bare name is a neighbour in the
    # same folder, or a system header.
    if(NOT EXISTS "${ROOT}/${header}")
      continue()
    endif()
    rk_layer_of("${header}" hlayer hrank)
    if(hlayer STREQUAL "")
      message(SEND_ERROR "${src}: includes ${header}, which is in no folder of the layer map")
      math(EXPR faults "${faults} + 1")
    elseif(hrank GREATER rank OR (hrank EQUAL rank AND NOT hlayer STREQUAL layer))
      message(SEND_ERROR "${src} (${layer}) includes ${header} (${hlayer}): a layer above or beside its own")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no source files found under ${ROOT}")
endif()
message(STATUS "${checked} files checked, ${faults} includes against the layer map")
