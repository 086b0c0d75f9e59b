# Compiler flags shared by every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(SK_WERROR)
  add_compile_options(-Werror)
endif()

if(SK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(SK_SANITIZED=1)
endif()
if(SK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  add_compile_definitions(SK_SANITIZED=1)
endif()

# All project headers are included as "folder/File.h" from src/.
include_directories(${CMAKE_SOURCE_DIR}/src)
