'''wpa_supplicant stand-in for the access-point backend's tests.

fi.w1.wpa_supplicant1 at /fi/w1/wpa_supplicant1 with GetInterface(s) -> o; interface objects
(fi.w1.wpa_supplicant1.Interface: Ifname s, State s, Stations ao) and station objects
(fi.w1.wpa_supplicant1.Station: Address ay, AID q) at <interface>/Stations/<mac without colons>.
Control methods on org.freedesktop.DBus.Mock (at /fi/w1/wpa_supplicant1): AddInterface,
StationJoin, StationLeave, in the order wpa_supplicant itself registers, signals and unregisters.

Parameters (JSON): Interfaces, a list of interface names to create at start.
'''

import re
import time

import dbus

import dbusmock
from dbusmock import MOCK_IFACE

BUS_NAME = 'fi.w1.wpa_supplicant1'
MAIN_OBJ = '/fi/w1/wpa_supplicant1'
MAIN_IFACE = 'fi.w1.wpa_supplicant1'
SYSTEM_BUS = True

IFACE_IFACE = 'fi.w1.wpa_supplicant1.Interface'
STATION_IFACE = 'fi.w1.wpa_supplicant1.Station'
PROPS_IFACE = 'org.freedesktop.DBus.Properties'
ERR_UNKNOWN_IFACE = 'fi.w1.wpa_supplicant1.InterfaceUnknown'
ERR_INVALID = 'fi.w1.wpa_supplicant1.InvalidArgs'
MAC_RE = re.compile(r'^[0-9a-f]{2}(:[0-9a-f]{2}){5}$')


def load(mock, parameters):
    mock.wpa_ifaces = {}  # ifname -> path
    mock.wpa_signal_times = []  # (signal, mac, time.monotonic()) of each station signal
    mock.AddProperties(MAIN_IFACE, {'Interfaces': dbus.Array([], signature='o'),
                                    'DebugLevel': dbus.String('info'),
                                    'Capabilities': dbus.Array(['ap'], signature='s')})
    mock.AddMethod(MAIN_IFACE, 'GetInterface', 's', 'o', 'ret = self.wpa_get_interface(args[0])')
    mock.wpa_get_interface = lambda name: _get_interface(mock, name)
    for name in parameters.get('Interfaces', []):
        AddInterface(mock, name)


def _error(name, text):
    return dbus.exceptions.DBusException(text, name=name)


def _get_interface(mock, ifname):
    if str(ifname) not in mock.wpa_ifaces:
        raise _error(ERR_UNKNOWN_IFACE, 'wpa_supplicant knows nothing about this interface.')
    return dbus.ObjectPath(mock.wpa_ifaces[str(ifname)])


def _station_path(iface_path, mac):
    mac = str(mac)
    if not MAC_RE.match(mac):
        raise _error(ERR_INVALID, f'not a lower-case colon-separated MAC address: {mac}')
    return iface_path + '/Stations/' + mac.replace(':', '')


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='o')
def AddInterface(self, ifname):
    '''Adds an interface object for ifname and returns its path.'''
    if str(ifname) in self.wpa_ifaces:
        raise _error('fi.w1.wpa_supplicant1.InterfaceExists', f'{ifname} already exists')
    path = f'{MAIN_OBJ}/Interfaces/{len(self.wpa_ifaces)}'
    self.AddObject(path, IFACE_IFACE, {'Ifname': dbus.String(ifname),
                                       'State': dbus.String('completed'),
                                       'Stations': dbus.Array([], signature='o')}, [])
    self.wpa_ifaces[str(ifname)] = path
    self.UpdateProperties(MAIN_IFACE, {'Interfaces': dbus.Array(
        [dbus.ObjectPath(p) for p in self.wpa_ifaces.values()], signature='o')})
    self.EmitSignal(MAIN_IFACE, 'InterfaceAdded', 'oa{sv}',
                    [dbus.ObjectPath(path), dbus.Dictionary({'Ifname': dbus.String(ifname)}, signature='sv')])
    return dbus.ObjectPath(path)


def _iface_object(self, iface_path):
    if str(iface_path) not in self.wpa_ifaces.values():
        raise _error(ERR_UNKNOWN_IFACE, f'no interface {iface_path}')
    return dbusmock.get_object(str(iface_path))


@dbus.service.method(MOCK_IFACE, in_signature='os', out_signature='o')
def StationJoin(self, iface_path, mac):
    '''A station finishes its handshake: StationAdded, Stations grows, then StaAuthorized(mac).'''
    iface = _iface_object(self, iface_path)
    path = _station_path(str(iface_path), mac)
    stations = list(iface.Get(IFACE_IFACE, 'Stations'))
    if path in [str(s) for s in stations]:
        raise _error(ERR_INVALID, f'{mac} is already connected')
    address = dbus.Array([dbus.Byte(int(b, 16)) for b in str(mac).split(':')], signature='y')
    aid = dbus.UInt16(len(stations) + 1)
    self.AddObject(path, STATION_IFACE, {'Address': address, 'AID': aid}, [])
    iface.EmitSignal(IFACE_IFACE, 'StationAdded', 'oa{sv}',
                     [dbus.ObjectPath(path), dbus.Dictionary({'Address': address, 'AID': aid}, signature='sv')])
    stations.append(dbus.ObjectPath(path))
    iface.UpdateProperties(IFACE_IFACE, {'Stations': dbus.Array(stations, signature='o')})
    self.wpa_signal_times.append(('StaAuthorized', str(mac), time.monotonic()))
    iface.EmitSignal(IFACE_IFACE, 'StaAuthorized', 's', [dbus.String(mac)])
    return dbus.ObjectPath(path)


@dbus.service.method(MOCK_IFACE, in_signature='os', out_signature='')
def StationLeave(self, iface_path, mac):
    '''A station goes: StaDeauthorized(mac), Stations shrinks, then StationRemoved.'''
    iface = _iface_object(self, iface_path)
    path = _station_path(str(iface_path), mac)
    stations = [s for s in iface.Get(IFACE_IFACE, 'Stations') if str(s) != path]
    if len(stations) == len(iface.Get(IFACE_IFACE, 'Stations')):
        raise _error(ERR_INVALID, f'{mac} is not connected')
    self.wpa_signal_times.append(('StaDeauthorized', str(mac), time.monotonic()))
    iface.EmitSignal(IFACE_IFACE, 'StaDeauthorized', 's', [dbus.String(mac)])
    iface.UpdateProperties(IFACE_IFACE, {'Stations': dbus.Array(stations, signature='o')})
    iface.EmitSignal(IFACE_IFACE, 'StationRemoved', 'o', [dbus.ObjectPath(path)])
    self.RemoveObject(path)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='a(ssd)')
def GetStationSignalTimes(self):
    '''(signal, mac, time) of every StaAuthorized and StaDeauthorized, the time in
    CLOCK_MONOTONIC seconds just before the signal was sent.'''
    return dbus.Array([dbus.Struct(t, signature='ssd') for t in self.wpa_signal_times],
                      signature='(ssd)')
