# One test per script of scripts/, run through the ks runner.
if(TARGET ks)
  file(GLOB KS_CONFORMANCE CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/scripts/*.ks)
  foreach(script IN LISTS KS_CONFORMANCE)
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME ks.${name}
      COMMAND ${CMAKE_COMMAND} -DKS=$<TARGET_FILE:ks> -DSCRIPT=${script}
        -P ${CMAKE_CURRENT_SOURCE_DIR}/run_ks.cmake)
  endforeach()
endif()
