#!/bin/sh
# Reads Karvelin.dll's image: only Windows system DLLs imported, subsystem and
# OS version (5.0 for the i686 DLL, 5.2 for the x86-64 one), the export
# table's name, and exactly the listed exports.
# usage: check_dll_image.sh OBJDUMP DLL DEF_FILE MAJOR.MINOR
set -u
objdump=$1 dll=$2 def=$3 version=${4:-5.0}
major=${version%.*} minor=${version#*.}
headers=$("$objdump" -p "$dll") || { echo "cannot read $dll"; exit 1; }
status=0
fail() { echo "FAIL: $*"; status=1; }

system_dlls='^(kernel32|user32|advapi32|ws2_32|wsock32|msvcrt|shell32|ole32|oleaut32|iphlpapi|setupapi|gdi32)\.dll$'
imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "no imports found"
for name in $imports; do
    printf '%s\n' "$name" | grep -Eq "$system_dlls" || fail "imports $name, which is not a Windows system DLL"
done

# Functions later than Windows 2000 that compiler runtimes are known to pull in;
# importing any of them stops the DLL loading on the releases it accepts.
too_new='GetTickCount64|AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|InitOnceExecuteOnce|'\
'InitializeConditionVariable|SleepConditionVariableCS|SleepConditionVariableSRW|WakeConditionVariable|'\
'WakeAllConditionVariable|InitializeSRWLock|AcquireSRWLockExclusive|AcquireSRWLockShared|'\
'ReleaseSRWLockExclusive|ReleaseSRWLockShared|TryAcquireSRWLockExclusive|GetSystemTimePreciseAsFileTime|'\
'FlsAlloc|FlsFree|FlsGetValue|FlsSetValue|GetThreadId|GetProcessId|GetNativeSystemInfo|'\
'GetLogicalProcessorInformation|CreateEventExA|CreateEventExW|CreateSemaphoreExW|CreateMutexExW|'\
'SetThreadDescription|GetCurrentProcessorNumber|GetModuleHandleExA|GetModuleHandleExW|IsWow64Process|'\
'GetErrorMode|SetThreadErrorMode|InitializeCriticalSectionEx|CompareStringEx|LCMapStringEx'
functions=$(printf '%s\n' "$headers" | sed -n '/Import Tables/,/Export Table/p' |
            awk 'NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}')
[ -n "$functions" ] || fail "no imported functions found"
newer=$(printf '%s\n' "$functions" | grep -Ex "$too_new" | sort -u | tr '\n' ' ')
[ -z "$newer" ] || fail "imports functions Windows 2000 does not have: $newer"

printf '%s\n' "$headers" | grep -Eq "^MajorSubsystemVersion[[:space:]]+$major\$" || fail "subsystem major version is not $major"
printf '%s\n' "$headers" | grep -Eq "^MinorSubsystemVersion[[:space:]]+$minor\$" || fail "subsystem minor version is not $minor"
printf '%s\n' "$headers" | grep -Eq "^MajorOSystemVersion[[:space:]]+$major\$" || fail "OS major version is not $major"

printf '%s\n' "$headers" | grep -q 'Name 		\?[0-9a-f]* Karvelin.dll' ||
    printf '%s\n' "$headers" | grep -q '^Name .*Karvelin.dll$' || fail "export table is not named Karvelin.dll"

expected=$(sed -n '/^EXPORTS/,$p' "$def" | sed '1d' | awk '{print $1}' | sort)
actual=$(printf '%s\n' "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed '1d' |
         sed -n 's/.*\] *//p' | sort)
[ "$expected" = "$actual" ] || fail "exports differ from the module-definition file:
expected: $(echo $expected)
actual:   $(echo $actual)"

[ $status -eq 0 ] && echo "imports: $(echo $imports); subsystem $version; exports: $(echo $actual)"
exit $status
