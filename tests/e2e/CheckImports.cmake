# Fails when the program imports a DLL that Windows might take from the
# program's own folder: only DLLs that the system always loads from its own
# folder (the known DLLs) are allowed.
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
set(known advapi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll gdi32.dll ole32.dll
    oleaut32.dll shlwapi.dll comdlg32.dll rpcrt4.dll sechost.dll combase.dll ws2_32.dll
    normaliz.dll psapi.dll imagehlp.dll setupapi.dll wldap32.dll difxapi.dll clbcatq.dll)
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(entry IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(FIND known "${dll}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a known DLL")
  endif()
  message(STATUS "import ${dll}: known DLL")
endforeach()
