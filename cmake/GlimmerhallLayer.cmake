# glimmerhall_add_layer(<layer> [DEPENDS <targets...>] SOURCES <files...>)
# The static library glimmerhall_<layer> of the sources in src/<layer>. Its
# headers are included as "<layer>/Name.h" through the include root
# <build>/layers/<layer>, which holds nothing but a link to src/<layer>, and
# consumers see only the roots of the layers they link. Each header is also
# compiled alone against that view (the target
# glimmerhall_<layer>_verify_interface_header_sets), so a
# header-only include of a layer above fails as well; the program depends on
# all those checks.
function(glimmerhall_add_layer layer)
  cmake_parse_arguments(ARG "" "" "DEPENDS;SOURCES" ${ARGN})
  set(target glimmerhall_${layer})
  set(root "${PROJECT_BINARY_DIR}/layers/${layer}")
  file(MAKE_DIRECTORY "${root}")
  file(CREATE_LINK "${PROJECT_SOURCE_DIR}/src/${layer}" "${root}/${layer}" SYMBOLIC)
  file(GLOB headers RELATIVE "${PROJECT_SOURCE_DIR}/src/${layer}" CONFIGURE_DEPENDS
       "${PROJECT_SOURCE_DIR}/src/${layer}/*.h")
  list(TRANSFORM headers PREPEND "${root}/${layer}/")

  add_library(${target} STATIC ${ARG_SOURCES})
  target_sources(${target} PUBLIC FILE_SET HEADERS BASE_DIRS "${root}" FILES ${headers})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  set_target_properties(${target} PROPERTIES VERIFY_INTERFACE_HEADER_SETS ${GLIMMERHALL_VERIFY_HEADERS})
endfunction()
