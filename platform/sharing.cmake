# The connection-sharing service: its interface goes into tavlo_platform, the simulated service
# into tavlo_platform_sim. Included by platform/CMakeLists.txt once both targets exist.
target_sources(tavlo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sharing_types.cpp
)
target_sources(tavlo_platform_sim PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_objects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_store.cpp
)
