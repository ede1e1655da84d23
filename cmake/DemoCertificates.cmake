# Generates, once per build folder, the demo service's certificate authority and
# server certificate (for localhost and 127.0.0.1), plus a self-signed certificate
# no one trusts, used by the tests. No private key is ever committed.
find_program(OPENSSL_EXECUTABLE openssl REQUIRED)

set(DPC_CERT_DIR "${CMAKE_BINARY_DIR}/demo-certs")
set(DPC_DEMO_CA_CERT "${DPC_CERT_DIR}/ca.pem")
set(DPC_DEMO_SERVER_CERT "${DPC_CERT_DIR}/server.pem")
set(DPC_DEMO_SERVER_KEY "${DPC_CERT_DIR}/server.key")
set(DPC_UNTRUSTED_CERT "${DPC_CERT_DIR}/untrusted.pem")
set(DPC_UNTRUSTED_KEY "${DPC_CERT_DIR}/untrusted.key")

function(dpc_openssl)
    execute_process(COMMAND ${OPENSSL_EXECUTABLE} ${ARGN}
                    WORKING_DIRECTORY "${DPC_CERT_DIR}"
                    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "openssl ${ARGN} failed: ${err}")
    endif()
endfunction()

if(NOT EXISTS "${DPC_DEMO_SERVER_KEY}" OR NOT EXISTS "${DPC_UNTRUSTED_KEY}")
    file(MAKE_DIRECTORY "${DPC_CERT_DIR}")
    file(WRITE "${DPC_CERT_DIR}/server.ext"
         "basicConstraints=CA:FALSE\n"
         "keyUsage=digitalSignature,keyEncipherment\n"
         "extendedKeyUsage=serverAuth\n"
         "subjectAltName=DNS:localhost,IP:127.0.0.1\n")
    dpc_openssl(req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256
                -keyout ca.key -out ca.pem -subj "/O=QuorvelDPC demo/CN=QuorvelDPC demo CA"
                -addext "basicConstraints=critical,CA:TRUE"
                -addext "keyUsage=critical,keyCertSign,cRLSign")
    dpc_openssl(req -newkey rsa:2048 -nodes -sha256 -keyout server.key -out server.csr
                -subj "/O=QuorvelDPC demo/CN=localhost")
    dpc_openssl(x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial
                -days 3650 -sha256 -extfile server.ext -out server.pem)
    dpc_openssl(req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256
                -keyout untrusted.key -out untrusted.pem -subj "/CN=localhost"
                -addext "subjectAltName=DNS:localhost,IP:127.0.0.1")
    file(REMOVE "${DPC_CERT_DIR}/server.csr" "${DPC_CERT_DIR}/server.ext")
    message(STATUS "Demo certificates generated in ${DPC_CERT_DIR}")
endif()
