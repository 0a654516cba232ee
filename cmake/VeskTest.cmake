# The environment every test runs in: a UTF-8 C locale and the sanitizers' options (leaks that
# system libraries keep for the process are suppressed). End-to-end tests add their own display.
set(VESK_TEST_ENVIRONMENT
  "LC_ALL=C.UTF-8"
  "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# vesk_add_test(NAME name SOURCES a.cpp ... LIBS lib ... LABELS unit|window|e2e [TIMEOUT s] [ENVIRONMENT K=V ...])
# Every test runs offscreen, in a UTF-8 C locale, with a time-out, so none depends on the desktop it runs on.
function(vesk_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${VESK_TEST_ENVIRONMENT};${T_ENVIRONMENT}")
endfunction()
