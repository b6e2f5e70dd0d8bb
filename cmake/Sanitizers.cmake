# ASan + UBSan for the whole tree (our code, tests and third-party sources alike),
# so that a fault anywhere on a test's path is reported, not only in our files.
if(QUILLON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
