# ASan + UBSan for the whole tree (our code, tests and third-party sources alike),
# so that a fault anywhere on a test's path is reported, not only in our files.
if(QUILLON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer, for the threaded tests (the pool, the views, the toolkit's dispatch,
# the client's abort, the simulator's connections). It excludes ASan, so it is a build
# of its own.
if(QUILLON_TSAN)
  if(QUILLON_SANITIZE)
    message(FATAL_ERROR "QUILLON_TSAN and QUILLON_SANITIZE exclude each other")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
