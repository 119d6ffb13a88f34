# The front panel's own widgets and the text conversions they share.
target_sources(panel PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ValueTextVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PanelGlyphsVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FocusFrameVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GlyphButtonVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OnOffButtonVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChannelIndicationButtonVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VerticalSlideVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScrollBarVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameClockVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SafeLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnitValueLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FilteredEditVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VoltageValueEditVexa.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LongerTimeEditVexaRM.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NumEditVexa.cpp
)
# The unit-value label is the scope model's readout (IValueReadout).
target_link_libraries(panel PUBLIC model)
