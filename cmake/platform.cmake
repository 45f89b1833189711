# Compiler settings shared by every target, per platform.
if(WIN32)
  set(QV_PLATFORM win32)
  # One .exe that needs nothing beside it; narrow literals in code page 932.
  add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP932)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  set(QV_PLATFORM posix)
endif()

set(QV_WARNINGS -Wall -Wextra)

if(QV_SANITIZE)
  add_compile_options(-fsanitize=${QV_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QV_SANITIZE})
endif()

find_package(Threads REQUIRED)

# qv_warnings(target): the project's own targets build warning-clean.
function(qv_warnings target)
  target_compile_options(${target} PRIVATE ${QV_WARNINGS})
endfunction()
