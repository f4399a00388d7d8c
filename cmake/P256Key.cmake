# Reading ECDSA P-256 keys (PEM files as Debian's openssl writes them) into numbers a build can
# compile in. openssl does the reading; the results are checked byte for byte against the one
# DER layout a P-256 key has, so any other kind of key stops the configuration.
find_program(VELTO_OPENSSL openssl REQUIRED)

# The DER of a P-256 SubjectPublicKeyInfo up to the uncompressed point's X and Y.
set(VELTO_P256_SPKI_PREFIX "3059301306072a8648ce3d020106082a8648ce3d03010703420004")

# Runs openssl with ARGN, writing DER to OUT; stops the configuration when it fails.
function(velto_openssl_der out)
  execute_process(COMMAND ${VELTO_OPENSSL} ${ARGN} -outform DER -out ${out}
                  RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "openssl ${command} failed (a public key where a private one belongs, "
                        "or the other way round?): ${error}")
  endif()
endfunction()

# "a1b2..." -> "0xa1, 0xb2, ..." for a C array.
function(velto_hex_to_c_bytes hex out)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " bytes "${hex}")
  string(STRIP "${bytes}" bytes)
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

# The public point (X and Y, 64 bytes in hex) and the key id (the first 8 bytes of the SHA-256
# of the SubjectPublicKeyInfo, in hex) of a key in a PEM file: a public key, or with PRIVATE a
# private key. A change to the file configures the build again.
function(velto_p256_public_key file xy_out id_out)
  cmake_parse_arguments(K "PRIVATE" "" "" ${ARGN})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  string(MAKE_C_IDENTIFIER "${file}" stem)
  set(der ${CMAKE_CURRENT_BINARY_DIR}/${stem}.spki.der)
  if(K_PRIVATE)
    velto_openssl_der(${der} pkey -in ${file} -pubout)
  else()
    velto_openssl_der(${der} pkey -pubin -in ${file})
  endif()
  file(READ ${der} hex HEX)
  string(LENGTH "${VELTO_P256_SPKI_PREFIX}" prefix_length)
  string(SUBSTRING "${hex}" 0 ${prefix_length} prefix)
  string(LENGTH "${hex}" length)
  math(EXPR expected "${prefix_length} + 128")
  if(NOT prefix STREQUAL VELTO_P256_SPKI_PREFIX OR NOT length EQUAL expected)
    message(FATAL_ERROR "${file} is not an ECDSA P-256 (prime256v1) key")
  endif()
  string(SUBSTRING "${hex}" ${prefix_length} 128 xy)
  file(SHA256 ${der} digest)
  string(SUBSTRING "${digest}" 0 16 id)
  set(${xy_out} "${xy}" PARENT_SCOPE)
  set(${id_out} "${id}" PARENT_SCOPE)
endfunction()

# The private scalar d (32 bytes in hex) of a P-256 private key in a PEM file.
function(velto_p256_private_scalar file d_out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  string(MAKE_C_IDENTIFIER "${file}" stem)
  set(der ${CMAKE_CURRENT_BINARY_DIR}/${stem}.sec1.der)
  # SEC 1 ECPrivateKey without the public point: version 1, d, the curve's name.
  velto_openssl_der(${der} ec -in ${file} -no_public)
  file(READ ${der} hex HEX)
  file(REMOVE ${der})
  if(NOT hex MATCHES "^30310201010420([0-9a-f]+)a00a06082a8648ce3d030107$")
    message(FATAL_ERROR "${file} is not an ECDSA P-256 (prime256v1) private key")
  endif()
  string(LENGTH "${CMAKE_MATCH_1}" length)
  if(NOT length EQUAL 64)
    message(FATAL_ERROR "${file}: unexpected private key length")
  endif()
  set(${d_out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
