# sk_add_library(name LIBS ...): one static library of every .cpp in the current folder.
# A folder without sources yet gives an interface library, so dependants link either way.
function(sk_add_library name)
  cmake_parse_arguments(L "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${L_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
endfunction()
