# Install layout: the library with its SONAME link and the resource
# libraries beside it, the header, the tool.
install(TARGETS hvcn
  EXPORT hvcnTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(WIN32)
  set(_hvcn_resource_destination ${CMAKE_INSTALL_BINDIR})
else()
  set(_hvcn_resource_destination ${CMAKE_INSTALL_LIBDIR})
endif()
install(TARGETS tarnres tarnresIT
  LIBRARY DESTINATION ${_hvcn_resource_destination}
  RUNTIME DESTINATION ${_hvcn_resource_destination})

if(HVCN_BUILD_TOOLS)
  install(TARGETS hvcn_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
