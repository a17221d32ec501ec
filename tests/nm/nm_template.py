'''NetworkManager stand-in for the access-point backend's tests.

Builds on dbusmock's NetworkManager template and adds what an access point needs:
AddAndActivateConnection2 with NetworkManager's option and type checks, and activations that
move the way NetworkManager moves a device-backed one. The Wi-Fi device carries the cause:
Device.StateChanged(u new, u old, u reason) with device state reasons; the active connection
follows it with Connection.Active.StateChanged(u state, u reason), whose reason is 0 (UNKNOWN)
while it comes up or goes down and 3 (DEVICE_DISCONNECTED) once DEACTIVATED, whatever the
cause. Each change also comes as the standard org.freedesktop.DBus.Properties.PropertiesChanged.
Control methods on org.freedesktop.DBus.Mock (at /org/freedesktop) steer capabilities, the
radio, refusals, failures and the primary connection (the default route), and read back every
AddAndActivateConnection2 call with its types intact.

With bind-activation "dbus-client" the activation ends (device reason 38 CONNECTION_REMOVED)
when the calling bus connection goes away.

Parameters (JSON): ActivationDelayMs (default 50) is how long an activation stays ACTIVATING;
everything the base template takes is passed on.
'''

import time
import uuid

import dbus
import dbus.lowlevel
from gi.repository import GLib

import dbusmock
from dbusmock import MOCK_IFACE
import dbusmock.templates.networkmanager as base
from dbusmock.templates.networkmanager import *  # noqa: F401,F403  (its Mock methods join ours)

BUS_NAME = base.BUS_NAME
MAIN_OBJ = base.MAIN_OBJ
MAIN_IFACE = 'org.freedesktop.DBus.ObjectManager'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MANAGER_OBJ = base.MANAGER_OBJ
MANAGER_IFACE = base.MANAGER_IFACE
DEVICE_IFACE = base.DEVICE_IFACE
WIRELESS_IFACE = base.WIRELESS_DEVICE_IFACE
ACTIVE_IFACE = base.ACTIVE_CONNECTION_IFACE
CSETTINGS_IFACE = base.CSETTINGS_IFACE
PROPS_IFACE = 'org.freedesktop.DBus.Properties'

STATE_ACTIVATING = 1
STATE_ACTIVATED = 2
STATE_DEACTIVATING = 3
STATE_DEACTIVATED = 4
AC_REASON_UNKNOWN = 0
AC_REASON_DEVICE_DISCONNECTED = 3

DEV_UNAVAILABLE = 20
DEV_DISCONNECTED = 30
DEV_PREPARE = 40
DEV_CONFIG = 50
DEV_IP_CONFIG = 70
DEV_ACTIVATED = 100
DEV_DEACTIVATING = 110
DEV_FAILED = 120
DEV_REASON_NONE = 0
DEV_REASON_CONNECTION_REMOVED = 38
DEV_REASON_USER_REQUESTED = 39

CAP_AP = 0x40
DEVICE_TYPE_WIFI = 2

OPTION_VALUES = {'persist': ('disk', 'memory', 'volatile'),
                 'bind-activation': ('dbus-client', 'none')}

ERR_INVALID = 'org.freedesktop.NetworkManager.InvalidArguments'
ERR_UNKNOWN_DEVICE = 'org.freedesktop.NetworkManager.UnknownDevice'
ERR_INCOMPATIBLE = 'org.freedesktop.NetworkManager.Device.IncompatibleConnection'
ERR_NOT_ACTIVE = 'org.freedesktop.NetworkManager.ConnectionNotActive'


def load(mock, parameters):
    base.load(mock, parameters)
    mock.nm_delay_ms = int(parameters.get('ActivationDelayMs', 50))
    mock.nm_calls = []          # (connection, device, specific_object, options), types kept
    mock.nm_fail_reason = None  # reason of the next activation that is to fail
    mock.nm_fail_active_reason = None  # and its active connection's, when not DEVICE_DISCONNECTED
    mock.nm_refusal = None      # D-Bus error name the next AddAndActivateConnection2 gets
    mock.nm_active = {}         # active path -> {'device', 'settings', 'volatile'}
    mock.nm_next_id = 100
    manager = dbusmock.get_object(MANAGER_OBJ)
    manager.props[MANAGER_IFACE]['PrimaryConnection'] = dbus.ObjectPath('/')
    manager.AddMethod(MANAGER_IFACE, 'AddAndActivateConnection2', 'a{sa{sv}}ooa{sv}', 'ooa{sv}',
                      'ret = self.nm_root.nm_add_and_activate2(args[0], args[1], args[2], args[3])')
    # Replaces the base template's, which removes the object without any state change.
    manager.AddMethod(MANAGER_IFACE, 'DeactivateConnection', 'o', '',
                      'self.nm_root.nm_deactivate(args[0])')
    manager.nm_root = mock
    # Mock methods are not told their caller; bind-activation needs it, so note it on the way in.
    mock.nm_sender = None
    mock.nm_call_times = []  # time.monotonic() as each AddAndActivateConnection2 came in

    def note_sender(_connection, message):
        if message.get_member() == 'AddAndActivateConnection2':
            mock.nm_call_times.append(time.monotonic())
            mock.nm_sender = message.get_sender()
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    manager.connection.add_message_filter(note_sender)
    mock.nm_add_and_activate2 = lambda *a: _add_and_activate2(mock, *a)
    mock.nm_deactivate = lambda path: _deactivate(mock, path)


def _error(name, text):
    return dbus.exceptions.DBusException(text, name=name)


def _check_options(options):
    for key, value in options.items():
        if key not in OPTION_VALUES:
            raise _error(ERR_INVALID, f'Unknown extra option passed: {key}')
        if not isinstance(value, dbus.String) or str(value) not in OPTION_VALUES[key]:
            raise _error(ERR_INVALID, f'Option "{key}" must be one of {"|".join(OPTION_VALUES[key])}')


def _check_device(device, connection):
    if str(device) not in [str(d) for d in dbusmock.get_object(MANAGER_OBJ).Get(MANAGER_IFACE, 'Devices')]:
        raise _error(ERR_UNKNOWN_DEVICE, f'Device {device} not found')
    dev = dbusmock.get_object(device)
    wireless = connection.get('802-11-wireless', {})
    if 'mode' in wireless and not isinstance(wireless['mode'], dbus.String):
        raise _error(ERR_INVALID, '802-11-wireless.mode: wrong type')
    if 'ssid' in wireless and not (isinstance(wireless['ssid'], dbus.Array) and
                                   wireless['ssid'].signature == 'y'):
        raise _error(ERR_INVALID, '802-11-wireless.ssid: wrong type; should be a byte array')
    if 'channel' in wireless and not isinstance(wireless['channel'], dbus.UInt32):
        raise _error(ERR_INVALID, '802-11-wireless.channel: wrong type; should be u')
    if str(wireless.get('mode', '')) == 'ap':
        caps = int(dev.Get(WIRELESS_IFACE, 'WirelessCapabilities'))
        if not caps & CAP_AP:
            raise _error(ERR_INCOMPATIBLE, 'the device does not support Access Point mode')


def _changed(obj, iface, name, value):
    obj.props[iface][name] = value
    obj.EmitSignal(PROPS_IFACE, 'PropertiesChanged', 'sa{sv}as',
                   [iface, dbus.Dictionary({name: value}, signature='sv'), dbus.Array([], signature='s')])


def _set_state(path, state, deactivated_reason=AC_REASON_DEVICE_DISCONNECTED):
    # A device-backed activation only says how it ended through its device.
    reason = deactivated_reason if state == STATE_DEACTIVATED else AC_REASON_UNKNOWN
    obj = dbusmock.get_object(path)
    if int(obj.props[ACTIVE_IFACE]['State']) == state:
        return
    _changed(obj, ACTIVE_IFACE, 'State', dbus.UInt32(state))
    obj.EmitSignal(ACTIVE_IFACE, 'StateChanged', 'uu', [dbus.UInt32(state), dbus.UInt32(reason)])


def _set_device(device, state, reason, active=None):
    dev = dbusmock.get_object(device)
    old = dbus.UInt32(dev.props[DEVICE_IFACE]['State'])
    if active is not None:
        _changed(dev, DEVICE_IFACE, 'ActiveConnection', dbus.ObjectPath(active))
    _changed(dev, DEVICE_IFACE, 'StateReason', dbus.Struct((dbus.UInt32(state), dbus.UInt32(reason)),
                                                           signature='uu'))
    _changed(dev, DEVICE_IFACE, 'State', dbus.UInt32(state))
    dev.EmitSignal(DEVICE_IFACE, 'StateChanged', 'uuu', [dbus.UInt32(state), old, dbus.UInt32(reason)])


def _add_and_activate2(mock, connection, device, specific_object, options):
    mock.nm_calls.append((connection, device, specific_object, options))
    refusal, mock.nm_refusal = mock.nm_refusal, None
    if refusal:
        raise _error(refusal, 'Not authorized to control networking.')
    _check_options(options)
    _check_device(device, connection)

    mock.nm_next_id += 1
    n = mock.nm_next_id
    settings_path = f'/org/freedesktop/NetworkManager/Settings/{n}'
    active_path = f'/org/freedesktop/NetworkManager/ActiveConnection/{n}'
    conn = connection.get('connection', {})
    volatile = str(options.get('persist', 'disk')) == 'volatile'
    # NetworkManager gives a connection without a UUID one of its own; the call log keeps what was sent.
    conn_uuid = str(conn.get('uuid', '')) or str(uuid.uuid4())
    stored = dbus.Dictionary(connection, signature='sa{sv}')
    stored['connection'] = dbus.Dictionary(conn, signature='sv')
    stored['connection']['uuid'] = dbus.String(conn_uuid)

    mock.AddObject(settings_path, CSETTINGS_IFACE, {'Unsaved': str(options.get('persist', 'disk')) != 'disk'},
                   [('GetSettings', '', 'a{sa{sv}}', 'ret = self.settings')])
    dbusmock.get_object(settings_path).settings = stored
    mock.AddObject(active_path, ACTIVE_IFACE, {
        'Connection': dbus.ObjectPath(settings_path),
        'SpecificObject': dbus.ObjectPath(specific_object),
        'Id': dbus.String(conn.get('id', '')),
        'Uuid': dbus.String(conn_uuid),
        'Type': dbus.String(conn.get('type', '802-11-wireless')),
        'Devices': dbus.Array([dbus.ObjectPath(device)], signature='o'),
        'State': dbus.UInt32(0),
        'StateFlags': dbus.UInt32(0),
        'Default': False,
        'Default6': False,
        'Vpn': False,
        'Master': dbus.ObjectPath('/'),
    }, [])
    mock.object_manager_emit_added(active_path)
    mock.nm_active[active_path] = {'device': str(device), 'settings': settings_path, 'volatile': volatile}
    manager = dbusmock.get_object(MANAGER_OBJ)
    actives = [dbus.ObjectPath(p) for p in manager.Get(MANAGER_IFACE, 'ActiveConnections')]
    _changed(manager, MANAGER_IFACE, 'ActiveConnections', dbus.Array(actives + [dbus.ObjectPath(active_path)],
                                                                     signature='o'))

    fail_reason, mock.nm_fail_reason = mock.nm_fail_reason, None
    fail_active_reason, mock.nm_fail_active_reason = mock.nm_fail_active_reason, None
    if str(options.get('bind-activation', 'none')) == 'dbus-client' and mock.nm_sender:
        def client_gone(owner):
            if not owner and active_path in mock.nm_active and \
                    int(dbusmock.get_object(active_path).props[ACTIVE_IFACE]['State']) <= STATE_ACTIVATED:
                _end(mock, active_path, DEV_REASON_CONNECTION_REMOVED)
        mock.nm_active[active_path]['watch'] = mock.connection.watch_name_owner(mock.nm_sender, client_gone)

    def announce():
        if active_path in mock.nm_active:
            _set_device(str(device), DEV_PREPARE, DEV_REASON_NONE, active=active_path)
            _set_state(active_path, STATE_ACTIVATING)
        return False

    def settle():
        if active_path not in mock.nm_active:
            return False
        if fail_reason is None:
            for state in (DEV_CONFIG, DEV_IP_CONFIG, DEV_ACTIVATED):
                _set_device(str(device), state, DEV_REASON_NONE)
            _set_state(active_path, STATE_ACTIVATED)
        else:
            _set_device(str(device), DEV_FAILED, fail_reason)
            _remove(mock, active_path, fail_active_reason)
            _set_device(str(device), DEV_DISCONNECTED, DEV_REASON_NONE, active='/')
        return False

    # After the reply, as NetworkManager does: a client that subscribed without a path first
    # sees every state; one that subscribes later must read State.
    GLib.idle_add(announce)
    GLib.timeout_add(mock.nm_delay_ms, settle)
    return (dbus.ObjectPath(settings_path), dbus.ObjectPath(active_path),
            dbus.Dictionary({}, signature='sv'))


def _remove(mock, active_path, active_reason=None):
    info = mock.nm_active.pop(active_path)
    if 'watch' in info:
        info['watch'].cancel()
    _set_state(active_path, STATE_DEACTIVATED,
               AC_REASON_DEVICE_DISCONNECTED if active_reason is None else active_reason)
    manager = dbusmock.get_object(MANAGER_OBJ)
    actives = [dbus.ObjectPath(p) for p in manager.Get(MANAGER_IFACE, 'ActiveConnections') if str(p) != active_path]
    _changed(manager, MANAGER_IFACE, 'ActiveConnections', dbus.Array(actives, signature='o'))
    mock.object_manager_emit_removed(active_path)
    mock.RemoveObject(active_path)
    if info['volatile']:
        mock.RemoveObject(info['settings'])


def _end(mock, active_path, device_reason):
    device = mock.nm_active[active_path]['device']
    _set_device(device, DEV_DEACTIVATING, device_reason)
    _set_state(active_path, STATE_DEACTIVATING)
    _set_device(device, DEV_DISCONNECTED, device_reason, active='/')
    _remove(mock, active_path)


def _deactivate(mock, path):
    if str(path) not in mock.nm_active:
        raise _error(ERR_NOT_ACTIVE, 'Not active connection')
    _end(mock, str(path), DEV_REASON_USER_REQUESTED)


def _radio(mock):
    manager = dbusmock.get_object(MANAGER_OBJ)
    radio = bool(manager.props[MANAGER_IFACE]['WirelessEnabled']) and \
        bool(manager.props[MANAGER_IFACE]['WirelessHardwareEnabled'])
    for device in [str(d) for d in manager.props[MANAGER_IFACE]['Devices']]:
        dev = dbusmock.get_object(device)
        if int(dev.props[DEVICE_IFACE]['DeviceType']) != DEVICE_TYPE_WIFI:
            continue
        state = int(dev.props[DEVICE_IFACE]['State'])
        if not radio and state != DEV_UNAVAILABLE:
            # Straight to UNAVAILABLE: the activation ends without DEACTIVATING.
            _set_device(device, DEV_UNAVAILABLE, DEV_REASON_NONE, active='/')
            for path, info in list(mock.nm_active.items()):
                if info['device'] == device:
                    _remove(mock, path)
        elif radio and state == DEV_UNAVAILABLE:
            _set_device(device, DEV_DISCONNECTED, DEV_REASON_NONE)


@dbus.service.method(MOCK_IFACE, in_signature='ou', out_signature='')
def SetWirelessCapabilities(self, device, caps):
    '''Sets a Wi-Fi device's WirelessCapabilities (0x40 = can be an access point).'''
    dbusmock.get_object(device).UpdateProperties(WIRELESS_IFACE, {'WirelessCapabilities': dbus.UInt32(caps)})


@dbus.service.method(MOCK_IFACE, in_signature='os', out_signature='')
def SetPermHwAddress(self, device, address):
    '''Sets a Wi-Fi device's permanent and current hardware address.'''
    dbusmock.get_object(device).UpdateProperties(WIRELESS_IFACE, {'PermHwAddress': dbus.String(address),
                                                                 'HwAddress': dbus.String(address)})


@dbus.service.method(MOCK_IFACE, in_signature='b', out_signature='')
def SetWirelessEnabled(self, enabled):
    '''Software radio switch: off makes Wi-Fi devices UNAVAILABLE, ending their activations.'''
    _changed(dbusmock.get_object(MANAGER_OBJ), MANAGER_IFACE, 'WirelessEnabled', dbus.Boolean(enabled))
    _radio(self)


@dbus.service.method(MOCK_IFACE, in_signature='b', out_signature='')
def SetWirelessHardwareEnabled(self, enabled):
    '''Hardware (rfkill) radio switch, the same effect as the software one.'''
    _changed(dbusmock.get_object(MANAGER_OBJ), MANAGER_IFACE, 'WirelessHardwareEnabled', dbus.Boolean(enabled))
    _radio(self)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def FailNextActivation(self, reason):
    '''The next activation fails: its device goes FAILED with this device state reason.'''
    self.nm_fail_reason = int(reason)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def FailNextActivationWithoutDeviceReason(self, active_reason):
    '''The next activation fails with no device state reason; only its active connection says
    why (an NMActiveConnectionStateReason).'''
    self.nm_fail_reason = DEV_REASON_NONE
    self.nm_fail_active_reason = int(active_reason)


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def RefuseNextActivation(self, error_name):
    '''The next AddAndActivateConnection2 fails with this D-Bus error, as NetworkManager answers
    when polkit refuses (org.freedesktop.NetworkManager.PermissionDenied).'''
    self.nm_refusal = str(error_name)


@dbus.service.method(MOCK_IFACE, in_signature='o', out_signature='')
def SetPrimaryConnection(self, path):
    '''Makes an active connection the one that carries the default route ("/" for none).'''
    _changed(dbusmock.get_object(MANAGER_OBJ), MANAGER_IFACE, 'PrimaryConnection', dbus.ObjectPath(path))


@dbus.service.method(MOCK_IFACE, in_signature='ou', out_signature='')
def EndActiveConnection(self, path, reason):
    '''Ends an active connection as NetworkManager does on its own; reason is a device state
    reason (38 CONNECTION_REMOVED when the bound client left, 36 REMOVED, ...).'''
    if str(path) not in self.nm_active:
        raise _error(ERR_NOT_ACTIVE, 'Not active connection')
    _end(self, str(path), reason)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='a(a{sa{sv}}ooa{sv})')
def GetActivationCalls(self):
    '''Every AddAndActivateConnection2 call, refused ones included, with its arguments as sent.'''
    return dbus.Array([dbus.Struct(c, signature='a{sa{sv}}ooa{sv}') for c in self.nm_calls],
                      signature='(a{sa{sv}}ooa{sv})')


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='ad')
def GetActivationCallTimes(self):
    '''When each AddAndActivateConnection2 came in, in CLOCK_MONOTONIC seconds (the clock every
    process shares), taken before anything else is done with it.'''
    return dbus.Array(self.nm_call_times, signature='d')
