#!/usr/bin/env bash
# Builds the libraries for Linux and for Windows and assembles the release in build/package/:
#   wmibridge-VERSION.jar          the classes, and the libraries for linux-x86_64 (with the platform
#                                  layer and WMI's message modules) and windows-x86_64, which the
#                                  jar's loader extracts
#   wmibridge-VERSION.pom          for mvn install:install-file -Dfile=<jar> -DpomFile=<pom>
#   wmibridge-VERSION-javadoc.jar  the API documentation, built with every doclint check on and
#                                  warnings as errors (its pages also in javadoc/)
# Then checks that the jar carries both platforms and that a fresh JVM with nothing but the jar
# runs a query.
# Usage: scripts/package.sh [--linux-preset PRESET]
#   PRESET: the Linux build to take the libraries from; main (the default) or linux, whose build
#   scripts/test.sh has made already.
set -euo pipefail
cd "$(dirname "$0")/.."

linux_preset=main
if [ "${1:-}" = --linux-preset ] && [ -n "${2:-}" ]; then
  linux_preset=$2
elif [ $# -gt 0 ]; then
  echo "usage: scripts/package.sh [--linux-preset PRESET]" >&2
  exit 2
fi

scripts/setup.sh package
jobs=$(nproc)
# The build folder of a preset, as its configure step reports it.
configure() {
  cmake --preset "$1" | sed -n 's/^-- Build files have been written to: //p'
}
echo "== Linux build ($linux_preset)"
linux=$(configure "$linux_preset")
cmake --build --preset "$linux_preset" -j "$jobs"
echo "== Windows build"
windows=$(configure windows)
cmake --build --preset windows -j "$jobs"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux/CMakeCache.txt")
out=build/package
jar=$out/wmibridge-$version.jar
rm -rf "$out"
mkdir -p "$out"

echo "== $jar"
jar --create --file "$jar" --manifest "$linux/java/manifest.txt" -C "$linux/java/classes" . \
  -C "$linux/java/native" . -C "$windows/java/native" .
cp "$linux/java/wmibridge.pom" "$out/wmibridge-$version.pom"

echo "== API documentation"
# Every package of the sources; with a module-info.java among them, javadoc documents the
# exported ones. doclint checks all of them, the declarations of the natives in lib.wmi and
# lib.wmic included, and any warning fails the build. The query tool's package needs picocli and
# gson, optional modules of the library.
mapfile -t sources < <(find java/src/main/java -name '*.java' | sort)
javadoc -quiet --release 17 -encoding UTF-8 -docencoding UTF-8 -charset UTF-8 \
  --module-path /usr/share/java/picocli.jar:/usr/share/java/gson.jar \
  -Xdoclint:all -Werror -windowtitle "wmibridge $version" -doctitle "wmibridge $version" \
  -d "$out/javadoc" "${sources[@]}"
jar --create --file "$out/wmibridge-$version-javadoc.jar" -C "$out/javadoc" .

echo "== Checking $jar"
listing=$(jar --list --file "$jar")
expected=(
  META-INF/native/linux-x86_64/index.txt
  META-INF/native/linux-x86_64/libwmijni.so
  META-INF/native/linux-x86_64/libwmicred.so
  META-INF/native/linux-x86_64/libwinpal.so
  META-INF/native/linux-x86_64/windows-root/Windows/System32/wbem/wmiutils.dll
  META-INF/native/linux-x86_64/windows-root/Windows/System32/wbem/wbemcomn.dll
  META-INF/native/windows-x86_64/index.txt
  META-INF/native/windows-x86_64/wmijni.dll
  META-INF/native/windows-x86_64/wmicred.dll
  com/zorvex/kestrin/quilmok/lib/loader/NativeLibraries.class
  com/zorvex/kestrin/quilmok/lib/wmi/WmiConnector.class
)
status=0
for entry in "${expected[@]}"; do
  grep -qxF "$entry" <<<"$listing" || { echo "missing from the jar: $entry"; status=1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && jar --extract --file "$OLDPWD/$jar" META-INF/native/linux-x86_64/index.txt META-INF/native/windows-x86_64/index.txt)
for platform in linux-x86_64 windows-x86_64; do
  # Each file the index lists is in the jar, and nothing else of the platform's folder is.
  indexed=$(awk -v p="META-INF/native/$platform/" '{print p $3}' "$work/META-INF/native/$platform/index.txt" | sort)
  carried=$(grep "^META-INF/native/$platform/." <<<"$listing" | grep -v -e '/$' -e '/index.txt$' | sort || true)
  if [ "$indexed" != "$carried" ]; then
    echo "the $platform index and the jar disagree:"
    diff <(echo "$indexed") <(echo "$carried") || true
    status=1
  fi
done
if grep -E '(pal|palwin32)control' <<<"$listing"; then
  echo "test-only libraries (above) in the jar"
  status=1
fi
[ "$status" -eq 0 ]

# A fresh JVM with only the jar: no java.library.path of ours, no LD_LIBRARY_PATH.
mkdir "$work/extractions"
report=$(env -u LD_LIBRARY_PATH java -Dwmibridge.tmpdir="$work/extractions" -cp "$jar" java/src/test/harness/LoaderHarness.java)
echo "$report"
grep -q '^run 1 processes [1-9]' <<<"$report"
grep -q '^run 1 text WBEM_E_INVALID_CLASS - .' <<<"$report"
grep -q '^run 1 library wmijni JAR ' <<<"$report"
echo "packaged: $(cd "$out" && ls -- *.jar *.pom | tr '\n' ' ')"
