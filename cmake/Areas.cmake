# Adds every folder below the current source folder that has its own CMakeLists.txt, in
# alphabetical order (tests and benchmarks each keep one area a folder).
function(add_area_subdirectories)
  file(GLOB areas LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(area ${areas})
    if(IS_DIRECTORY ${area} AND EXISTS ${area}/CMakeLists.txt)
      add_subdirectory(${area})
    endif()
  endforeach()
endfunction()
