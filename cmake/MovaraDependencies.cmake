# Third-party libraries, found once for the whole tree.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus Svg)

pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
    libavformat libavcodec libavfilter libswscale libswresample libavdevice libavutil)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
find_package(CURL REQUIRED)

if(MOVARA_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
endif()
