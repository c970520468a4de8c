# Checks that every project include points down the layer order, or stays in its own folder:
#
#   support/ <- raster/ <- generator/ <- effect/ <- host/ (with host_api/) and cli/ <- python/
#
# Run by the build (the layer_check target) and by hand:
#   cmake -DSOURCE_DIR=. -P cmake/CheckLayers.cmake
# Prints every include that points up or sideways and fails.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers.cmake needs -DSOURCE_DIR=<the repository>")
endif()

# The folders each layer may include, itself first.
set(allowed_support   support)
set(allowed_raster    raster support)
set(allowed_generator generator raster support)
set(allowed_effect    effect generator raster support)
set(allowed_host_api  host_api)
set(allowed_host      host host_api effect generator raster support)
set(allowed_cli       cli effect generator raster support)
set(allowed_python    python cli effect generator raster support)
set(layers support raster generator effect host_api host cli python)

set(violations "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" path "${line}")
      string(FIND "${path}" "/" slash)
      if(slash EQUAL -1)
        continue()  # a file beside the includer
      endif()
      string(SUBSTRING "${path}" 0 ${slash} folder)
      if(NOT folder IN_LIST allowed_${layer})
        string(APPEND violations "  ${file}: #include \"${path}\" (${layer}/ may include only: ${allowed_${layer}})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that break the layer order:\n${violations}")
endif()
