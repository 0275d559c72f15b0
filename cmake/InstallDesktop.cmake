# What makes Movara a desktop program once installed: the user guide beside the skins in
# share/movara, the desktop entry, the icon in the sizes the desktop asks for, the AppStream file
# and the manual pages. The programs and skins install from their own folders.
#
# An installed Movara finds its data through ../share/movara from bin/, so the layout below is
# fixed relative to the prefix rather than taken from GNUInstallDirs.

set(MOVARA_DATA_SOURCE ${PROJECT_SOURCE_DIR}/data)
set(MOVARA_HELP_SOURCE ${PROJECT_SOURCE_DIR}/help)
set(MOVARA_ICON_SIZES 48 256)

# The PNG icons, rendered from the scalable one by the skins' own renderer.
set(movara_icon_pngs)
foreach(size IN LISTS MOVARA_ICON_SIZES)
    set(folder ${CMAKE_BINARY_DIR}/icons/${size}x${size})
    add_custom_command(OUTPUT ${folder}/movara.png
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
                $<TARGET_FILE:skinrender> --size ${size} ${folder} ${MOVARA_DATA_SOURCE}/movara.svg
        DEPENDS skinrender ${MOVARA_DATA_SOURCE}/movara.svg
        COMMENT "Rendering the ${size}x${size} icon"
        VERBATIM)
    list(APPEND movara_icon_pngs ${folder}/movara.png)
    install(FILES ${folder}/movara.png DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(movara_icons ALL DEPENDS ${movara_icon_pngs})

# The guide beside the programs in the build tree too, so that "Help topics..." works there.
file(GLOB_RECURSE movara_help_files CONFIGURE_DEPENDS ${MOVARA_HELP_SOURCE}/*)
set(movara_help_stamp ${CMAKE_BINARY_DIR}/help.stamp)
add_custom_command(OUTPUT ${movara_help_stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${MOVARA_BIN_DIR}/help
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${MOVARA_HELP_SOURCE} ${MOVARA_BIN_DIR}/help
    COMMAND ${CMAKE_COMMAND} -E touch ${movara_help_stamp}
    DEPENDS ${movara_help_files}
    COMMENT "Copying the user guide"
    VERBATIM)
add_custom_target(movara_help ALL DEPENDS ${movara_help_stamp})

install(DIRECTORY ${MOVARA_HELP_SOURCE}/ DESTINATION share/movara/help)
install(FILES ${MOVARA_DATA_SOURCE}/${MOVARA_DESKTOP_ID}.desktop DESTINATION share/applications)
install(FILES ${MOVARA_DATA_SOURCE}/${MOVARA_DESKTOP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${MOVARA_DATA_SOURCE}/movara.svg DESTINATION share/icons/hicolor/scalable/apps)
# Manual pages and the change log go in compressed, as Debian policy asks: gzip -9 with no name
# or time stamp inside, so the same sources give the same bytes.
set(movara_gzipped)
foreach(source IN ITEMS ${MOVARA_DATA_SOURCE}/movara.1 ${MOVARA_DATA_SOURCE}/movara-convert.1
                        ${PROJECT_SOURCE_DIR}/debian/changelog)
    get_filename_component(name ${source} NAME)
    set(copy ${CMAKE_BINARY_DIR}/compressed/${name})
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND gzip -9nf ${copy}
        DEPENDS ${source}
        COMMENT "Compressing ${name}"
        VERBATIM)
    list(APPEND movara_gzipped ${copy}.gz)
endforeach()
add_custom_target(movara_compressed_docs ALL DEPENDS ${movara_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/compressed/movara.1.gz
              ${CMAKE_BINARY_DIR}/compressed/movara-convert.1.gz
    DESTINATION share/man/man1)
install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.gz ${PROJECT_SOURCE_DIR}/debian/copyright
    DESTINATION share/doc/movara)
