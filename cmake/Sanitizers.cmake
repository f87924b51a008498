# KORU_SANITIZE applies to everything the host build compiles and links.
if(KORU_SANITIZE)
  string(REPLACE "," ";" _koru_sanitizers "${KORU_SANITIZE}")
  foreach(_s IN LISTS _koru_sanitizers)
    add_compile_options(-fsanitize=${_s})
    add_link_options(-fsanitize=${_s})
  endforeach()
  add_compile_options(-fno-omit-frame-pointer -fno-sanitize-recover=all)
endif()
