# The control binders between the front-panel widgets and the scope model.
target_sources(panel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ArmControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BinderSupportVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChannelControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DensityControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EventHooksVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InformationPanelAVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InformationPanelBVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InformationPanelVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MeasurementRecordControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ModeDisplayVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OpenSaveControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtSaveFileDialogVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SourceControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SweepControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimeBaseControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TriggerControlsVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VerticalShiftsVexaRM.cpp
)
target_link_libraries(panel PUBLIC model)
