# The cross build's media: copied from a host build's data/ (`make windows` makes it first),
# since the generator and its libraries only exist for the build machine.
include(${CMAKE_CURRENT_LIST_DIR}/media-files.cmake)
set(QUORVEX_HOST_DATA_DIR "" CACHE PATH "data/ of a host build whose media this build ships")
if(NOT QUORVEX_HOST_DATA_DIR)
  message(FATAL_ERROR "a cross build takes its media from a host build: set QUORVEX_HOST_DATA_DIR "
    "(e.g. build/data after `cmake --build build --target media`), or QUORVEX_MEDIA=OFF")
endif()
quorvex_media_files(host_media_files ${QUORVEX_HOST_DATA_DIR})
quorvex_media_files(QUORVEX_MEDIA_FILES ${CMAKE_BINARY_DIR}/data)
add_custom_command(OUTPUT ${QUORVEX_MEDIA_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data
  COMMAND ${CMAKE_COMMAND} -E copy ${host_media_files} ${CMAKE_BINARY_DIR}/data
  DEPENDS ${host_media_files}
  COMMENT "Copying the host build's media into data/")
add_custom_target(media ALL DEPENDS ${QUORVEX_MEDIA_FILES})
install(FILES ${QUORVEX_MEDIA_FILES} DESTINATION ${QUORVEX_DATA_INSTALL_DIR})
