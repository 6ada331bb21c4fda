# Checks QEL.EXE as a file: a 32-bit GUI program that needs only system DLLs
# and carries its resources, its manifest among them. Run with -DEXE=
# -DOBJDUMP= -DREADOBJ= -DWRESTOOL= -DPYTHON= -P.
cmake_minimum_required(VERSION 3.20)

set(failures "")
macro(fail message)
  list(APPEND failures "${message}")
endmacro()

execute_process(COMMAND ${OBJDUMP} -f -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${EXE}")
endif()

string(REGEX MATCH "file format [^\n]*" format "${headers}")
if(NOT format STREQUAL "file format pei-i386")
  fail("not an i386 program: ${format}")
endif()
string(REGEX MATCH "Magic[ \t]+[0-9a-f]+" magic "${headers}")
if(NOT magic MATCHES "010b$")
  fail("optional header is not PE32: ${magic}")
endif()
string(REGEX MATCH "Subsystem[ \t]+[0-9a-f]+" subsystem "${headers}")
if(NOT subsystem MATCHES "[ \t]0+2$")
  fail("not a Windows GUI program: ${subsystem}")
endif()

# Statically linked run-time: nothing to ship beside the program.
set(system_dlls kernel32.dll user32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
string(REPLACE "DLL Name: " "" imports "${imports}")
if(NOT imports)
  fail("no import table")
endif()
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" dll)
  if(NOT dll IN_LIST system_dlls)
    fail("imports a DLL that Windows does not ship: ${dll}")
  endif()
endforeach()

# A regression to MinGW's own printf family alone more than doubles it;
# the limit leaves room for the 512-byte steps in which sections grow.
file(SIZE ${EXE} size)
if(size GREATER 36864)
  fail("QEL.EXE has grown to ${size} bytes")
endif()

# Type, then name, as llvm-readobj prints them.
execute_process(COMMAND ${READOBJ} --coff-resources ${EXE} OUTPUT_VARIABLE resources)
set(expected_resources
  "DIALOG (ID 5)|(ID 100)"
  "DIALOG (ID 5)|(ID 101)"
  "GROUP_ICON (ID 14)|IDI_ICONBG"
  "VERSIONINFO (ID 16)|(ID 1)"
  "MANIFEST (ID 24)|(ID 1)")
foreach(entry IN LISTS expected_resources)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 type)
  list(GET parts 1 name)
  string(FIND "${resources}" "Type: ${type}" type_at)
  set(found FALSE)
  if(type_at GREATER_EQUAL 0)
    string(SUBSTRING "${resources}" ${type_at} -1 rest)
    string(FIND "${rest}" "\n  Type: " next_type)  # the next type at the same depth
    if(next_type GREATER 0)
      string(SUBSTRING "${rest}" 0 ${next_type} rest)
    endif()
    string(FIND "${rest}" "Name: ${name} [" name_at)
    if(name_at GREATER_EQUAL 0)
      set(found TRUE)
    endif()
  endif()
  if(NOT found)
    fail("resource ${name} of type ${type} is missing")
  endif()
endforeach()

# The manifest, read back by a real XML parser: what Windows is told, each
# element in the namespace Windows looks for it in.
set(check_manifest [=[
import sys
import xml.etree.ElementTree as ET

ns = {"asm1": "urn:schemas-microsoft-com:asm.v1", "asm3": "urn:schemas-microsoft-com:asm.v3",
      "compat": "urn:schemas-microsoft-com:compatibility.v1",
      "ws2005": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
      "ws2016": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
try:
    root = ET.fromstring(sys.stdin.buffer.read())
except ET.ParseError as error:
    sys.exit("manifest: not well-formed XML: %s" % error)
problems = []

def expect(path, attributes={}, text=None):
    node = root.find(path, ns)
    if node is None:
        return problems.append("no " + path)
    for name, value in attributes.items():
        if node.get(name) != value:
            problems.append("%s %s=%r, not %r" % (path, name, node.get(name), value))
    if text is not None and (node.text or "").strip() != text:
        problems.append("%s is %r, not %r" % (path, node.text, text))

if root.tag != "{%s}assembly" % ns["asm1"] or root.get("manifestVersion") != "1.0":
    problems.append("the root is %s, version %s" % (root.tag, root.get("manifestVersion")))
expect("asm1:dependency/asm1:dependentAssembly/asm1:assemblyIdentity",
       {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
        "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"})
expect("asm3:trustInfo/asm3:security/asm3:requestedPrivileges/asm3:requestedExecutionLevel",
       {"level": "asInvoker", "uiAccess": "false"})
systems = {node.get("Id") for node in root.findall("compat:compatibility/compat:application/compat:supportedOS", ns)}
vista_to_11 = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
if systems != vista_to_11:
    problems.append("supportedOS: %s" % sorted(systems ^ vista_to_11))
settings = "asm3:application/asm3:windowsSettings/"
expect(settings + "ws2005:dpiAware", text="true/pm")
expect(settings + "ws2016:dpiAwareness", text="PerMonitorV2, PerMonitor")
# The fields are read through the ANSI code page: no UTF-8 code page here.
if any(node.tag.endswith("}activeCodePage") for node in root.iter()):
    problems.append("an activeCodePage")
sys.exit("manifest: " + "; ".join(problems) if problems else 0)
]=])
execute_process(COMMAND ${WRESTOOL} --raw -x --type=24 --name=1 ${EXE}
                COMMAND ${PYTHON} -c "${check_manifest}"
                RESULT_VARIABLE status ERROR_VARIABLE manifest_problems)
if(NOT status EQUAL 0)
  string(STRIP "${manifest_problems}" manifest_problems)
  fail("${manifest_problems}")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${EXE}:\n  ${text}")
endif()
list(JOIN imports ", " imports)
message(STATUS "${EXE}: PE32 GUI program of ${size} bytes, importing ${imports}")
