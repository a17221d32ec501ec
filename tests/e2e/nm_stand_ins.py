'''Steers the NetworkManager and wpa_supplicant stand-ins of tests/nm for e2e_nm.sh.

Talks to the bus in DBUS_SYSTEM_BUS_ADDRESS (the script's private bus), never to the machine's.
One command per run; anything unexpected ends with a message on stderr and exit code 1.

  wait-name NAME SECONDS     until NAME has an owner on the bus
  network                    a wired connection carrying the default route (eth0) and a Wi-Fi
                             device that can be an access point (wlan0)
  calls                      every AddAndActivateConnection2 so far, one JSON object a line:
                             {"ssid": <text of the bytes>, "ssid_bytes": [..], "psk", "mode",
                              "options": {..}}
  active                     the Id and State of each active connection, one "ID STATE" a line
  join MAC / leave MAC       a station finishes its handshake on wlan0 / goes
'''

import json
import sys
import time

import dbus

NM = 'org.freedesktop.NetworkManager'
NM_PATH = '/org/freedesktop/NetworkManager'
ACTIVE = NM + '.Connection.Active'
MOCK = 'org.freedesktop.DBus.Mock'
WPA = 'fi.w1.wpa_supplicant1'
WPA_PATH = '/fi/w1/wpa_supplicant1'
PROPS = 'org.freedesktop.DBus.Properties'
WIRED_UUID = '3c5a1b2e-7d4f-4e8a-9b10-2f6c8d9e0a1b'
WIFI_MAC = '02:00:00:aa:bb:cc'
CAP_AP = 0x40
CAP_RSN = 0x20


def bus():
    return dbus.SystemBus()


def wait_name(name, seconds):
    deadline = time.monotonic() + float(seconds)
    while time.monotonic() < deadline:
        try:
            if bus().name_has_owner(name):
                return
        except dbus.exceptions.DBusException:
            pass  # the daemon may not listen yet
        time.sleep(0.05)
    sys.exit(f'{name} has no owner after {seconds} s')


def network():
    b = bus()
    mock = dbus.Interface(b.get_object(NM, '/org/freedesktop'), MOCK)
    wired = mock.AddEthernetDevice('eth0', 'eth0', dbus.Int32(100))
    settings = dbus.Interface(b.get_object(NM, NM_PATH + '/Settings'), NM + '.Settings')
    profile = settings.AddConnection(dbus.Dictionary({
        'connection': dbus.Dictionary({'id': '有线连接 1', 'type': '802-3-ethernet',
                                       'uuid': WIRED_UUID}, signature='sv'),
        'ipv4': dbus.Dictionary({'method': 'auto'}, signature='sv')}, signature='sa{sv}'))
    # The base template's active connections carry the default route unless told otherwise.
    mock.AddActiveConnection([wired], profile, '/', 'eth0', dbus.UInt32(2))
    wifi = mock.AddWiFiDevice('wlan0', 'wlan0', dbus.Int32(30))
    mock.SetWirelessCapabilities(dbus.ObjectPath(wifi), dbus.UInt32(CAP_AP | CAP_RSN))
    mock.SetPermHwAddress(dbus.ObjectPath(wifi), WIFI_MAC)


def plain(value):
    if isinstance(value, dbus.Array) and value.signature == 'y':
        return [int(b) for b in value]
    if isinstance(value, (list, dbus.Array)):
        return [plain(v) for v in value]
    if isinstance(value, dict):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (int, dbus.Byte)):
        return int(value)
    return str(value)


def calls():
    mock = dbus.Interface(bus().get_object(NM, '/org/freedesktop'), MOCK)
    for connection, _device, _specific, options in mock.GetActivationCalls():
        wireless = connection.get('802-11-wireless', {})
        security = connection.get('802-11-wireless-security', {})
        ssid = bytes(int(b) for b in wireless.get('ssid', []))
        print(json.dumps({'ssid': ssid.decode('utf-8', 'replace'), 'ssid_bytes': list(ssid),
                          'psk': str(security.get('psk', '')), 'mode': str(wireless.get('mode', '')),
                          'options': plain(options)}, ensure_ascii=False))


def active():
    b = bus()
    for path in b.get_object(NM, NM_PATH).Get(NM, 'ActiveConnections', dbus_interface=PROPS):
        props = dbus.Interface(b.get_object(NM, path), PROPS)
        print(props.Get(ACTIVE, 'Id'), int(props.Get(ACTIVE, 'State')))


def station(method, mac):
    b = bus()
    interface = dbus.Interface(b.get_object(WPA, WPA_PATH), WPA).GetInterface('wlan0')
    getattr(dbus.Interface(b.get_object(WPA, WPA_PATH), MOCK), method)(interface, mac)


def main(argv):
    commands = {
        'wait-name': lambda a: wait_name(a[0], a[1]),
        'network': lambda a: network(),
        'calls': lambda a: calls(),
        'active': lambda a: active(),
        'join': lambda a: station('StationJoin', a[0]),
        'leave': lambda a: station('StationLeave', a[0]),
    }
    if len(argv) < 2 or argv[1] not in commands:
        sys.exit(__doc__)
    try:
        commands[argv[1]](argv[2:])
    except (IndexError, dbus.exceptions.DBusException) as e:
        sys.exit(f'{argv[1]}: {e}')


if __name__ == '__main__':
    main(sys.argv)
