# The virtual bench, stage vm of scripts/test: the real program inside a Linux
# guest under QEMU, on the kernel's own serial drivers (8250 UARTs, an FTDI
# adapter on xHCI, a CDC ACM port through the USB gadget), against the
# simulated instrument. Source this file, then call
#   build_vm   Debian's kernel package downloaded and unpacked (not installed)
#              and a busybox initramfs, both kept in build/vm/
#   check_vm [CASE...]   boots the guest and runs the cases (tests/cases/bench.py),
#              all but the Wine ones without CASE; "wine" names those (stage vmwine).
#              Its share (emptied first): ORVEX_VM_SHARE, else build/vm/run
#   orvex_vm_wine_prefix  the Wine prefix the Wine cases copy, in
#              build/vm/wine-template, its ports mapped to the guest's (below)
# It needs the normal build (build/normal), and for the Wine cases the Windows
# program (build/windows). Nothing it downloads is committed.

ORVEX_VM_PACKAGES=(qemu-system-x86 busybox-static cpio)
ORVEX_VM_DIR=build/vm
# Modules the guest loads from its initramfs (their dependencies come along):
# the 9p root, the xHCI host and FTDI adapters, the dummy USB controller with the
# CDC ACM host driver and the serial gadget's ACM function.
ORVEX_VM_MODULES=(virtio_pci 9pnet_virtio 9p xhci-pci ftdi_sio dummy_hcd cdc-acm usb_f_acm g_serial)

orvex_vm_install_deps() {
  local missing=() p sudo=""
  for p in "${ORVEX_VM_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  # An index that fails to download (a mirror mid-sync, seen for i386 alone)
  # need not be one these come from: the install and the kernel's lookup say.
  if ((${#missing[@]} > 0)) || ! apt-cache show linux-image-amd64 >/dev/null 2>&1; then
    $sudo apt-get update -qq || echo "apt-get update failed (above); going on with the indexes it has" >&2
  fi
  ((${#missing[@]} == 0)) && return 0
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    { echo "FAIL the virtual bench's packages could not be installed: ${missing[*]}"; return 1; }
}

# The kernel package linux-image-amd64 points at, e.g. linux-image-6.1.0-57-amd64.
orvex_vm_kernel_package() {
  apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -1
}

# Unpacks the kernel package into build/vm/kernel and indexes its modules.
orvex_vm_fetch_kernel() {
  local dir=$ORVEX_VM_DIR package kver
  package=$(orvex_vm_kernel_package)
  [[ -n $package ]] || { echo "FAIL no kernel package behind linux-image-amd64"; return 1; }
  kver=${package#linux-image-}
  if [[ -f $dir/kernel/boot/vmlinuz-$kver && -f $dir/kernel/lib/modules/$kver/modules.dep ]]; then
    echo "$kver"
    return 0
  fi
  rm -rf "$dir/kernel" "$dir/debs" && mkdir -p "$dir/debs" || return 1
  # apt-get download writes into the current folder, which user _apt may not reach.
  (cd "$dir/debs" && apt-get download "$package" >&2 2>/dev/null) || return 1
  dpkg-deb -x "$dir"/debs/"$package"_*.deb "$dir/kernel" || return 1
  busybox depmod -b "$dir/kernel" "$kver" || return 1
  rm -rf "$dir/debs"
  echo "$kver"
}

# build/vm/initramfs.cpio: busybox, the modules above and tests/harness/guest_init.
orvex_vm_initramfs() {  # kver
  local kver=$1 dir=$ORVEX_VM_DIR root modules wanted m dep
  root=$dir/initramfs
  modules=$dir/kernel/lib/modules/$kver
  rm -rf "$root" && mkdir -p "$root"/{bin,dev,proc,sys,mnt} "$root/lib/modules/$kver" || return 1
  cp /bin/busybox "$root/bin/busybox" || return 1
  for m in sh mount mkdir modprobe chroot cat sleep; do ln -s busybox "$root/bin/$m" || return 1; done
  cp tests/harness/guest_init "$root/init" && chmod +x "$root/init" || return 1
  for m in "${ORVEX_VM_MODULES[@]}"; do
    wanted=$(grep -E "/${m}\.ko:" "$modules/modules.dep") || { echo "FAIL no module $m in $kver"; return 1; }
    for dep in ${wanted/:/}; do
      mkdir -p "$root/lib/modules/$kver/$(dirname "$dep")" &&
        cp "$modules/$dep" "$root/lib/modules/$kver/$dep" || return 1
    done
  done
  busybox depmod -b "$root" "$kver" || return 1
  (cd "$root" && find . | cpio -o -H newc --quiet) >"$dir/initramfs.cpio" || return 1
  rm -rf "$root"
}

build_vm() {
  [[ -x build/normal/tests/vm/vm-line-settings ]] || build normal || return 1
  orvex_vm_install_deps || return 1
  local kver
  kver=$(orvex_vm_fetch_kernel) || { echo "FAIL the guest's kernel could not be fetched"; return 1; }
  if [[ ! -f $ORVEX_VM_DIR/initramfs.cpio || tests/harness/guest_init -nt $ORVEX_VM_DIR/initramfs.cpio ]]; then
    orvex_vm_initramfs "$kver" || { echo "FAIL the guest's initramfs could not be made"; return 1; }
  fi
  echo "$kver" >"$ORVEX_VM_DIR/kernel-version"
  echo "virtual bench: kernel $kver, $ORVEX_VM_DIR/initramfs.cpio"
}

# The Windows programs' ports in the guest: COMn=DEVICE.
ORVEX_VM_WINE_PORTS=(COM2=/dev/ttyS1 COM3=/dev/ttyS2 COM5=/dev/ttyUSB0 COM6=/dev/ttyUSB1)

# The key and the dosdevices link both: Wine's mount manager rewrites the link
# from the key only once a program runs, which the first case would race.
orvex_vm_wine_prefix() {
  local prefix=$PWD/$ORVEX_VM_DIR/wine-template/prefix port name
  if [[ -f $prefix/ports ]] && [[ $(cat "$prefix/ports") == "${ORVEX_VM_WINE_PORTS[*]}" ]]; then return 0; fi
  rm -rf "$ORVEX_VM_DIR/wine-template"
  (
    source scripts/lib/wine.sh && orvex_wine_shared_template &&
      orvex_wine_prefix "$prefix" || exit
    for port in "${ORVEX_VM_WINE_PORTS[@]}"; do
      orvex_quiet wine reg add 'HKLM\Software\Wine\Ports' /v "${port%%=*}" /d "${port#*=}" /f || exit
    done
    wineserver -w || exit
    for port in "${ORVEX_VM_WINE_PORTS[@]}"; do
      name=${port%%=*}
      ln -sfn "${port#*=}" "$prefix/dosdevices/${name,,}" || exit
    done
    echo "${ORVEX_VM_WINE_PORTS[*]}" >"$prefix/ports"
  ) || { rm -rf "$ORVEX_VM_DIR/wine-template"; return 1; }
}

check_vm() {
  local kver wine=()
  kver=$(cat "$ORVEX_VM_DIR/kernel-version") || return 1
  if [[ -d $ORVEX_VM_DIR/wine-template/prefix ]]; then
    wine=(--exe build/windows/app/ORVEX_DIALOG1.EXE --wine-prefix "$ORVEX_VM_DIR/wine-template/prefix")
  fi
  /usr/bin/python3 -B tests/cases/bench.py --kernel "$ORVEX_VM_DIR/kernel/boot/vmlinuz-$kver" \
    --initrd "$ORVEX_VM_DIR/initramfs.cpio" --build build/normal --share "${ORVEX_VM_SHARE:-$ORVEX_VM_DIR/run}" \
    "${wine[@]}" "$@"
}
