# Writes the page OUTPUT from its TEMPLATE with the scripts START and GLUE
# inside it, and their hashes in its Content-Security-Policy: the page then
# runs them as it is parsed, waiting for no request.
file(READ ${START} QEL_START_SCRIPT)
file(READ ${GLUE} QEL_GLUE_SCRIPT)
string(STRIP "${QEL_START_SCRIPT}" QEL_START_SCRIPT)
foreach(script QEL_START_SCRIPT QEL_GLUE_SCRIPT)
  string(TOLOWER "${${script}}" lower)
  if(lower MATCHES "</script|<!--")
    message(FATAL_ERROR "${script} would end the page's <script> element early")
  endif()
endforeach()

# CSP wants the digest in base64; CMake gives it in hex.
function(sha256_base64 text out)
  string(SHA256 hex "${text}")
  set(hex "${hex}00")  # 32 bytes: padded to 33, a whole number of 3-byte groups
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  set(encoded "")
  foreach(at RANGE 0 60 6)
    string(SUBSTRING ${hex} ${at} 6 group)
    math(EXPR bits "0x${group}")
    foreach(shift 18 12 6 0)
      math(EXPR index "(${bits} >> ${shift}) & 63")
      string(SUBSTRING ${alphabet} ${index} 1 letter)
      string(APPEND encoded ${letter})
    endforeach()
  endforeach()
  string(SUBSTRING ${encoded} 0 43 encoded)
  set(${out} "'sha256-${encoded}='" PARENT_SCOPE)
endfunction()

sha256_base64("${QEL_START_SCRIPT}" start_hash)
sha256_base64("${QEL_GLUE_SCRIPT}" glue_hash)
set(QEL_SCRIPT_HASHES "${start_hash} ${glue_hash}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
