# nlohmann-json (header-only), for the console's --json report and the
# history of runs, as the INTERFACE target calvorn_json. Debian installs it
# under /usr/include; a cross build must not put that whole folder on its
# include path (it would hide the target's own C library headers), so the
# MinGW build sees the one nlohmann/ folder through a link in the build tree.
find_path(CALVORN_NLOHMANN_JSON_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
if(NOT CALVORN_NLOHMANN_JSON_DIR)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/install-deps.sh)")
endif()
if(CMAKE_CROSSCOMPILING)
  set(calvorn_json_include ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${calvorn_json_include})
  file(CREATE_LINK ${CALVORN_NLOHMANN_JSON_DIR}/nlohmann ${calvorn_json_include}/nlohmann SYMBOLIC)
else()
  set(calvorn_json_include ${CALVORN_NLOHMANN_JSON_DIR})
endif()
add_library(calvorn_json INTERFACE)
target_include_directories(calvorn_json SYSTEM INTERFACE ${calvorn_json_include})
