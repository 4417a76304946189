# Which library each folder of tests exercises. A folder whose libraries are not
# part of this build (for example Qt-based ones in a core-only build) is skipped.
kelp_subsystem_tests(core kelpcore)
kelp_subsystem_tests(settings kelpsettings)
kelp_subsystem_tests(download kelpdownload kelpsimulator)
kelp_subsystem_tests(simulator kelpsimulator)
kelp_subsystem_tests(tda kelptda)
kelp_subsystem_tests(display kelpdisplay)
kelp_subsystem_tests(analysis kelpanalysis)
kelp_subsystem_tests(export kelpexport)
kelp_subsystem_tests(render kelprender)
kelp_subsystem_tests(cli kelpclilib)
kelp_subsystem_tests(app kelpapplib)

# The sub-commands register themselves from static objects that nothing else refers to:
# the cli tests take the whole library so that RunCli knows every command.
if(TARGET test_cli)
  target_link_options(test_cli PRIVATE "LINKER:--whole-archive" "$<TARGET_FILE:kelpclilib>" "LINKER:--no-whole-archive")
endif()
