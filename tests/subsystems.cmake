# Which libraries each folder of tests exercises; one line per folder of tests/. A core-only
# build skips the folders that need Qt or CLI11; a library missing otherwise stops the build.
kelp_subsystem_tests(core kelpcore)
kelp_subsystem_tests(settings kelpsettings)
kelp_subsystem_tests(download kelpdownload kelpsimulator)
kelp_subsystem_tests(simulator kelpsimulator)
kelp_subsystem_tests(tda kelptda kelpdownload kelpsimulator)
kelp_subsystem_tests(display kelpdisplay)
kelp_subsystem_tests(analysis kelpanalysis)
kelp_subsystem_tests(export kelpexport kelptda kelpsimulator)
kelp_subsystem_tests(files kelpfiles)
kelp_subsystem_tests(render kelprender)
kelp_subsystem_tests(cli kelpclilib)
kelp_subsystem_tests(robustness kelpdownload kelpsimulator kelptda kelpexport kelpsettings kelpfiles)
# The window's tests are QtTest programs with a CMakeLists.txt of their own.
set_property(GLOBAL APPEND PROPERTY KELP_TEST_FOLDERS app)
if(TARGET kelpapplib)
  add_subdirectory(app)
elseif(NOT KELP_CORE_ONLY)
  message(FATAL_ERROR "tests/app needs the library kelpapplib, which is not part of the build")
endif()

# The sub-commands register themselves from static objects that nothing else refers to:
# the cli tests take the whole library so that RunCli knows every command.
if(TARGET test_cli)
  target_link_options(test_cli PRIVATE "LINKER:--whole-archive" "$<TARGET_FILE:kelpclilib>" "LINKER:--no-whole-archive")
  # The terminal tests run the program itself on a pseudo-terminal.
  target_compile_definitions(test_cli PRIVATE KELP_CLI_PROGRAM="$<TARGET_FILE:kelp-cli>")
  add_dependencies(test_cli kelp-cli)
endif()

# Python's csv module reads the exports of kelp-cli as they are (python3 comes with scripts/deps).
if(TARGET kelp-cli)
  add_test(NAME export_tables_read_by_python
           COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/export/read_exports.py $<TARGET_FILE:kelp-cli>)
  set_tests_properties(export_tables_read_by_python PROPERTIES LABELS export)
endif()

# The desktop entry and the MIME types of the data files, as a desktop reads them.
if(TARGET kelp-cli)
  add_test(NAME packaging.desktop_files
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/packaging/desktop_files.sh ${PROJECT_SOURCE_DIR}
                   $<TARGET_FILE:kelp-cli> ${CMAKE_CURRENT_BINARY_DIR}/desktop_files)
  set_tests_properties(packaging.desktop_files PROPERTIES LABELS packaging)
endif()

# The cluster recipes of docs/cluster.md run as written (GNU parallel comes with scripts/deps).
if(TARGET kelp-cli)
  add_test(NAME cluster_recipes
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/export/cluster_recipe.sh $<TARGET_FILE:kelp-cli> ${PROJECT_SOURCE_DIR})
  set_tests_properties(cluster_recipes PROPERTIES LABELS export)
endif()
