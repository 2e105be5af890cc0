# Third-party packages, all from Debian (scripts/lib/deps.sh installs them).
find_package(Threads REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(nlohmann_json 3 REQUIRED)

if(VARNOOK_TESTS AND NOT VARNOOK_FUZZ)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

if(VARNOOK_BENCH AND NOT VARNOOK_FUZZ)
  find_package(benchmark REQUIRED)
endif()

if(VARNOOK_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
  set(CMAKE_AUTOMOC ON)
endif()

find_package(CLI11 CONFIG QUIET)
