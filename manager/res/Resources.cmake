# The Server Manager's resources: an .rc file in the Windows builds, embedded arrays behind
# FindResourceData on Linux. Both list the same names; the program icon is a Windows resource only.
# The pictures are drawn by make_pictures.py; English.lng is the built-in language file.
set(mres ${CMAKE_SOURCE_DIR}/manager/res)
add_library(manager_resources OBJECT ${CMAKE_SOURCE_DIR}/common/platform/Resources.h)
target_link_libraries(manager_resources PRIVATE tk_common)

set(manager_resource_files
    LANGFILE ${mres}/English.lng
    LOGO ${mres}/logo.bmp
    MOVIE ${CMAKE_SOURCE_DIR}/common/res/movie.avi
    TRAYICON0 ${mres}/tray_stopped.ico
    TRAYICON1 ${mres}/tray_check_stopped.ico
    TRAYICON2 ${mres}/tray_running.ico
    TRAYICON3 ${mres}/tray_check_running.ico
    TRAYICON16_0 ${mres}/tray16_stopped.ico
    TRAYICON16_1 ${mres}/tray16_check_stopped.ico
    TRAYICON16_2 ${mres}/tray16_running.ico
    TRAYICON16_3 ${mres}/tray16_check_running.ico
    BALL0 ${mres}/na_ball.bmp
    BALL1 ${mres}/stop_ball.bmp
    BALL2 ${mres}/run_ball.bmp
    GLYPH_START ${mres}/start.bmp
    GLYPH_STOP ${mres}/stop.bmp
    GLYPH_RESTART ${mres}/restart.bmp
    SHIELD ${mres}/shield.ico)

if(WIN32)
    target_sources(manager_resources PRIVATE ${mres}/TFManager.rc)
    # The progress clip both programs play lies in common/res.
    target_include_directories(manager_resources PRIVATE ${CMAKE_SOURCE_DIR}/common/res)
    set(rc_inputs ${manager_resource_files})
    list(FILTER rc_inputs INCLUDE REGEX "/")
    set_property(SOURCE ${mres}/TFManager.rc APPEND PROPERTY OBJECT_DEPENDS
                 ${rc_inputs} ${mres}/TFManager.ico ${mres}/TFManager.manifest)
else()
    tk_embed_resources(manager_resources ${manager_resource_files})
endif()
