# Test registration. Every test runs through tests/run-isolated, which gives it
# its own temporary HOME and XDG directories, so settings, logs and file-type
# associations never leak between tests or into the user's files.

set(PHONARA_TEST_DATA_DIR ${PROJECT_SOURCE_DIR}/tests/data)

# Adds each immediate sub-folder of the current folder that has a CMakeLists.txt.
function(phonara_add_child_dirs)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# phonara_add_qtest(NAME n LABEL unit|integration|e2e|gui SOURCES ... LIBS ... [TIMEOUT s] [ENV k=v ...])
function(phonara_add_qtest)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE
    PHONARA_TEST_DATA="${PHONARA_TEST_DATA_DIR}"
    PHONARA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PHONARA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  phonara_register_test(NAME ${T_NAME} LABEL ${T_LABEL} TIMEOUT "${T_TIMEOUT}"
    ENV ${T_ENV} COMMAND $<TARGET_FILE:${T_NAME}>)
endfunction()

# phonara_register_test(NAME n LABEL l COMMAND cmd... [TIMEOUT s] [ENV k=v ...])
function(phonara_register_test)
  cmake_parse_arguments(T "" "NAME;LABEL;TIMEOUT" "COMMAND;ENV" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${T_NAME}
    COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS ${T_LABEL}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PHONARA_TEST_DATA=${PHONARA_TEST_DATA_DIR};PHONARA_SOURCE_DIR=${PROJECT_SOURCE_DIR};PHONARA_BINARY_DIR=${PROJECT_BINARY_DIR};${T_ENV}")
  if(T_LABEL STREQUAL "e2e")
    # e2e tests each start a private pcscd; keep them apart.
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK pcscd_ports)
  endif()
endfunction()
