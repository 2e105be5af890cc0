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

if(VARNOOK_PYTHON AND NOT VARNOOK_FUZZ)
  # Debian's interpreter, whose headers (python3-dev) and pytest (python3-pytest) the project
  # installs; a python3 found earlier on PATH (pyenv's, a virtual environment's) has neither.
  if(NOT Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3)
  endif()
  find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module Development.Embed)
  find_package(pybind11 CONFIG REQUIRED)
endif()
