# Fixed values of the program: the service endpoint, its namespace, the extra
# certificate authorities it trusts and the transfer timeout of one call.
set(DPC_ENDPOINT_URL "https://localhost:8443/WS/WSQuorvel.asmx" CACHE STRING
    "HTTPS URL of the D.P.C. web service (path /WS/WSQuorvel.asmx)")
set(DPC_NAMESPACE_URI "http://tempuri.org/" CACHE STRING
    "Namespace URI of the D.P.C. web service (absolute, ending with /)")
set(DPC_CA_BUNDLE "${DPC_DEMO_CA_CERT}" CACHE FILEPATH
    "PEM file of certificate authorities trusted besides the system's")
set(DPC_TIMEOUT_MS "30000" CACHE STRING "Transfer timeout of one service call, in milliseconds")

if(NOT DPC_ENDPOINT_URL MATCHES "^https://[^/?#]+/WS/WSQuorvel\\.asmx$")
    message(FATAL_ERROR "DPC_ENDPOINT_URL must be an https URL whose path is /WS/WSQuorvel.asmx "
                        "(got '${DPC_ENDPOINT_URL}')")
endif()
if(NOT DPC_NAMESPACE_URI MATCHES "^[A-Za-z][A-Za-z0-9+.-]*:[^ '\"<>&]*/$")
    message(FATAL_ERROR "DPC_NAMESPACE_URI must be an absolute URI ending with '/' "
                        "(got '${DPC_NAMESPACE_URI}')")
endif()
if(NOT DPC_TIMEOUT_MS MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "DPC_TIMEOUT_MS must be a positive whole number (got '${DPC_TIMEOUT_MS}')")
endif()
set(DPC_CA_PEM "")
if(DPC_CA_BUNDLE)
    if(NOT EXISTS "${DPC_CA_BUNDLE}")
        message(FATAL_ERROR "DPC_CA_BUNDLE '${DPC_CA_BUNDLE}' does not exist")
    endif()
    file(READ "${DPC_CA_BUNDLE}" DPC_CA_PEM)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${DPC_CA_BUNDLE}")
endif()
