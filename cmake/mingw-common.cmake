# Shared part of the two MinGW toolchains. The posix thread model is required
# by GoogleTest (std::mutex) and is linked statically.
set(CMAKE_C_COMPILER ${PINDREL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PINDREL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PINDREL_TRIPLE}-windres)

# Libraries built for this triple by scripts/build-deps.sh (GoogleTest, libpng).
if(NOT DEFINED PINDREL_DEPS)
  set(PINDREL_DEPS /opt/pindrel-deps)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${PINDREL_TRIPLE} ${PINDREL_DEPS}/${PINDREL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
