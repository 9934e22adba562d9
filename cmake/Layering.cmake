# The folders of src/ (and of src/core) and the folders each may include from. A folder not listed here may include only
# itself. The check runs with every build, so a wrong include fails the build where it is written.
set(VORNNET_LAYERS
    # The lower layer, bottom up: each folder of core may use the ones listed before it.
    "core/text:core/text"
    "core/runtime:core/text,core/runtime"
    "core/settings:core/text,core/runtime,core/settings"
    "core/state:core/text,core/runtime,core/settings,core/state"
    "core/model:core/text,core/runtime,core/settings,core/state,core/model"
    "core:core"
    "supervision:core,supervision"
    "forwarding:core,supervision,forwarding"
    "watchdog:core,supervision,forwarding,watchdog"
    "sms:core,forwarding,sms"
    "plant:core,forwarding,plant"
    "tray:core,forwarding,tray"
    "gui:core,forwarding,tray,gui"
    "app:core,supervision,forwarding,watchdog,sms,plant,tray,gui,app")

add_custom_target(vornnet_layering
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/src "-DLAYERS=${VORNNET_LAYERS}"
            -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayering.cmake
    COMMENT "Checking that each folder of src/ includes only the folders below it"
    VERBATIM)

# vornnet_layered(<target>): the target builds with the project's warnings, and only once the layering
# check has passed.
function(vornnet_layered target)
    add_dependencies(${target} vornnet_layering)
    target_link_libraries(${target} PRIVATE vornnet_warnings)
endfunction()
