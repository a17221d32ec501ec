# The connection-sharing service: its interface goes into tavlo_platform, the logic every backend
# shares into tavlo_platform_services, the simulated connections into tavlo_platform_sim.
# Included by platform/CMakeLists.txt once the targets exist.
target_sources(tavlo_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sharing_types.cpp
)
target_sources(tavlo_platform_services PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/services/sharing_core.cpp
  ${CMAKE_CURRENT_LIST_DIR}/services/sharing_objects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/services/sharing_service.cpp
)
target_sources(tavlo_platform_sim PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_driver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim/sim_sharing_store.cpp
)
